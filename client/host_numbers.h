// Numbers that cross the host boundary: property, object-type, notification,
// text-item, offset, function-code and error numbers. Each is defined here
// once; everything else refers to these names.
#ifndef TAGSMITH_CLIENT_HOST_NUMBERS_H
#define TAGSMITH_CLIENT_HOST_NUMBERS_H

#include <cstdint>

// --- Properties -----------------------------------------------------------
constexpr int32_t PROP_NAME = 20;
constexpr int32_t PROP_LABEL = 30;
constexpr int32_t PROP_ACTIVE_DOC = 51;
constexpr int32_t PROP_ACTIVE_BOOK = 52;
constexpr int32_t PROP_FIRST_OPEN_DOC = 53;
constexpr int32_t PROP_FONT_FAMILY_NAMES = 55;
constexpr int32_t PROP_FONT_VARIATION_NAMES = 56;
constexpr int32_t PROP_FONT_WEIGHT_NAMES = 57;
constexpr int32_t PROP_FONT_ANGLE_NAMES = 58;
constexpr int32_t PROP_HOST_DIR = 89;
constexpr int32_t PROP_DISPLAYING = 92;
constexpr int32_t PROP_STATUS_LINE = 108;
constexpr int32_t PROP_TEXT_SELECTION = 109;
constexpr int32_t PROP_NEXT_OPEN_DOC = 111;
constexpr int32_t PROP_FIRST_FMT_DEF_A = 114;
constexpr int32_t PROP_FIRST_FMT_DEF_C = 116;
constexpr int32_t PROP_FIRST_FMT_DEF_B = 118;
constexpr int32_t PROP_FIRST_FN_IN_DOC = 119;
constexpr int32_t PROP_FIRST_TBL_IN_DOC = 120;
constexpr int32_t PROP_FIRST_FLOW_IN_DOC = 121;
constexpr int32_t PROP_FIRST_TAG_REF_OBJ = 122;
constexpr int32_t PROP_FIRST_CHAR_FMT_IN_DOC = 123;
constexpr int32_t PROP_SELECTED_TBL = 129;
constexpr int32_t PROP_DOC_WALK_FLAG = 155;
constexpr int32_t PROP_CURRENT_PAGE = 236;
// The document's character tags for the parts of equations; a saved file
// calls them DMathFunctions (334), DMathNumbers (336), DMathVariables (337),
// DMathStrings (338) and DMathGreek (339).
constexpr int32_t PROP_DOC_CHAR_TAG_334 = 334;
constexpr int32_t PROP_DOC_CHAR_TAG_336 = 336;
constexpr int32_t PROP_DOC_CHAR_TAG_337 = 337;
constexpr int32_t PROP_DOC_CHAR_TAG_338 = 338;
constexpr int32_t PROP_DOC_CHAR_TAG_339 = 339;
constexpr int32_t PROP_FONT_SIZE_UNIT = 396;
constexpr int32_t PROP_FIRST_FORMAT_PAGE = 419;
constexpr int32_t PROP_MAIN_FLOW_IN_DOC = 422;
constexpr int32_t PROP_FIRST_COMPONENT_IN_BOOK = 491;
constexpr int32_t PROP_NEXT_COMPONENT = 527;
constexpr int32_t PROP_TAG_REF = 549;
constexpr int32_t PROP_LANGUAGE = 577;
constexpr int32_t PROP_NEXT_TAG_REF_OBJ = 580;
constexpr int32_t PROP_PGF_LOCKED = 588;
constexpr int32_t PROP_CHAR_TAG = 602;
constexpr int32_t PROP_NEXT_CHAR_FMT_IN_DOC = 603;
constexpr int32_t PROP_FONT_FAMILY = 604;
constexpr int32_t PROP_FONT_VARIATION = 605;
constexpr int32_t PROP_FONT_WEIGHT = 606;
constexpr int32_t PROP_FONT_ANGLE = 607;
constexpr int32_t PROP_UNDERLINING = 608;
constexpr int32_t PROP_STRIKETHROUGH = 609;
constexpr int32_t PROP_OVERLINE = 610;
constexpr int32_t PROP_CHANGE_BAR = 611;
constexpr int32_t PROP_CHAR_INT_612 = 612;  // FOutline in a saved file
constexpr int32_t PROP_CHAR_INT_613 = 613;  // FShadow in a saved file
constexpr int32_t PROP_PAIR_KERN = 614;
constexpr int32_t PROP_FONT_SIZE = 615;
constexpr int32_t PROP_CHAR_INT_616 = 616;  // FDX in a saved file
constexpr int32_t PROP_CHAR_INT_617 = 617;  // FDY in a saved file
constexpr int32_t PROP_CHARSPREAD = 618;
constexpr int32_t PROP_CAPITALIZATION = 619;
constexpr int32_t PROP_POSITION = 620;
constexpr int32_t PROP_USE_FONT_FAMILY = 621;
constexpr int32_t PROP_USE_FONT_VARIATION = 622;
constexpr int32_t PROP_USE_FONT_WEIGHT = 623;
constexpr int32_t PROP_USE_FONT_ANGLE = 624;
constexpr int32_t PROP_USE_UNDERLINING = 625;
constexpr int32_t PROP_USE_STRIKETHROUGH = 626;
constexpr int32_t PROP_USE_OVERLINE = 627;
constexpr int32_t PROP_USE_CHANGE_BAR = 628;
constexpr int32_t PROP_USE_CHAR_INT_612 = 629;
constexpr int32_t PROP_USE_CHAR_INT_613 = 630;
constexpr int32_t PROP_USE_PAIR_KERN = 631;
constexpr int32_t PROP_USE_FONT_SIZE = 632;
constexpr int32_t PROP_USE_CHAR_INT_616 = 633;
constexpr int32_t PROP_USE_CHAR_INT_617 = 634;
constexpr int32_t PROP_USE_CHARSPREAD = 635;
constexpr int32_t PROP_USE_CAPITALIZATION = 636;
constexpr int32_t PROP_USE_POSITION = 637;
constexpr int32_t PROP_USE_COLOR = 638;
constexpr int32_t PROP_CHAR_STR_639 = 639;
constexpr int32_t PROP_CHAR_STR_640 = 640;
constexpr int32_t PROP_STRETCH = 643;
constexpr int32_t PROP_USE_STRETCH = 644;
constexpr int32_t PROP_NEXT_FORMAT_PAGE = 694;
constexpr int32_t PROP_PAGE_FRAME = 695;
constexpr int32_t PROP_NEXT_PGF = 717;
constexpr int32_t PROP_COLOR = 751;
constexpr int32_t PROP_FRAME_PARENT = 774;
constexpr int32_t PROP_PAGE_OF_FRAME = 880;
constexpr int32_t PROP_FIRST_GRAPHIC_IN_FRAME = 882;
constexpr int32_t PROP_FIRST_PGF = 972;
constexpr int32_t PROP_LAST_PGF = 973;
constexpr int32_t PROP_NEXT_FRAME_IN_FLOW = 981;
constexpr int32_t PROP_FLOW_OF_FRAME = 982;
constexpr int32_t PROP_USE_BACKGROUND_COLOR = 991;
constexpr int32_t PROP_BACKGROUND_COLOR = 992;
constexpr int32_t PROP_IN_TEXT_OBJ = 1000;
constexpr int32_t PROP_IN_TEXT_FRAME = 1001;
constexpr int32_t PROP_NEXT_FN = 1003;
constexpr int32_t PROP_NEXT_FN_IN_DOC = 1005;
constexpr int32_t PROP_FMT_DEF_A_TEXT = 1025;
constexpr int32_t PROP_NEXT_FMT_DEF_A = 1026;
constexpr int32_t PROP_FMT_DEF_TEXT = 1050;
constexpr int32_t PROP_NEXT_FMT_DEF_C = 1051;
constexpr int32_t PROP_NEXT_FMT_DEF_B = 1074;
constexpr int32_t PROP_NEXT_FLOW_IN_DOC = 1162;
constexpr int32_t PROP_FIRST_FRAME_IN_FLOW = 1169;
constexpr int32_t PROP_LAST_FRAME_IN_FLOW = 1170;
constexpr int32_t PROP_CELL_ROW = 1198;
constexpr int32_t PROP_NEXT_CELL = 1202;
constexpr int32_t PROP_CELL_COL_NUM = 1205;
constexpr int32_t PROP_NEXT_ROW = 1245;
constexpr int32_t PROP_FIRST_CELL = 1247;
constexpr int32_t PROP_TBL_SETUP_1289 = 1289;
constexpr int32_t PROP_NEXT_TBL_IN_DOC = 1337;
constexpr int32_t PROP_FIRST_ROW = 1338;
constexpr int32_t PROP_TBL_COL_WIDTHS = 1345;
constexpr int32_t PROP_NEXT_MENU_ITEM = 1923;
constexpr int32_t PROP_FIRST_MENU_ITEM = 1927;
constexpr int32_t PROP_CAN_HAVE_CHECK_MARK = 1931;
constexpr int32_t PROP_CHECK_MARK_IS_ON = 1932;
constexpr int32_t PROP_CHAR_INT_2287 = 2287;
constexpr int32_t PROP_FIRST_CHILD_COMPONENT = 2324;
constexpr int32_t PROP_PARENT_COMPONENT = 2325;
constexpr int32_t PROP_COMPONENT_TYPE = 2329;

// --- Object types (also the top byte of a handle) -------------------------
// The page kinds run from body to hidden page.
constexpr int32_t OBJ_BODY_PAGE = 5;
constexpr int32_t OBJ_MASTER_PAGE = 6;
constexpr int32_t OBJ_REFERENCE_PAGE = 7;
constexpr int32_t OBJ_HIDDEN_PAGE = 8;
constexpr int32_t OBJ_FOOTNOTE = 25;
constexpr int32_t OBJ_PGF_FMT = 32;
constexpr int32_t OBJ_CHAR_FMT = 33;
constexpr int32_t OBJ_MENU = 55;
constexpr int32_t OBJ_COMMAND = 56;
constexpr int32_t OBJ_MENU_SEPARATOR = 57;

// --- Geometry of the output document ---------------------------------------
// 8 by 11 inches with one-inch margins and column gap; also what a written
// document gets when it says nothing of its pages.
constexpr int32_t OUTPUT_PAGE_WIDTH = 0x2400000;   // 576 pt
constexpr int32_t OUTPUT_PAGE_HEIGHT = 0x3180000;  // 792 pt
constexpr int32_t OUTPUT_MARGIN = 0x480000;        // 72 pt

// --- Notifications ---------------------------------------------------------
constexpr int32_t NOTE_CLIENT_CALL = 13;

// --- Text items ------------------------------------------------------------
constexpr int32_t ITEM_STRING = 0x1;
constexpr int32_t ITEM_PGF_END = 0x10;
// Two item kinds that the host defines; they are named by what the override
// search does with them. A one-character run holding an item of the first
// kind is that item's own character; a run with an item of the second kind on
// its start or the character before is kept out of the search.
constexpr int32_t ITEM_OWN_CHARACTER = 0x4000;
constexpr int32_t ITEM_KEEPS_RUN_OUT = 0x8000;
constexpr int32_t ITEM_CHAR_PROPS_CHANGE = 0x200000;

// --- Offsets ---------------------------------------------------------------
constexpr int32_t OFFSET_OBJ_END = 0x50000000;
constexpr int32_t OFFSET_BEFORE_OBJ_END = 0x4FFFFFFF;

// --- Function codes --------------------------------------------------------
constexpr int32_t CODE_DEFAULT_PGF_FONT = 621;

// --- Errors (values of HostErrno) -------------------------------------------
constexpr int32_t ERR_OFFSET_RANGE = -21;
// The call did not reach the host or did not complete.
constexpr int32_t ERR_CALL_FAILED = -1;
// A composition could not allocate its parameter list.
constexpr int32_t ERR_NO_PARAM_LIST = -42;
// The host was busy and asked to be called again later.
constexpr int32_t ERR_HOST_BUSY = -88;

#endif
