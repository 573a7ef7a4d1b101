// The printf-style formatter shared by StrFormat and PrintMessage, and the
// console sink that PrintMessage feeds.
#ifndef TAGSMITH_SUPPORT_FORMAT_H
#define TAGSMITH_SUPPORT_FORMAT_H

#include <cstdarg>
#include <cstdint>

// A sink receives a piece of text (not terminated) and returns the number of
// bytes it consumed.
typedef int32_t (*FormatSink)(void* context, const char* text, int32_t count);
// Formats into the sink piece by piece; returns the bytes the sink consumed.
// A directive other than %s renders at most 255 bytes; when memory for a long
// %s runs out, formatting stops with what was emitted so far.
int32_t FormatEngine(FormatSink sink, void* context, const char* format, va_list args);

// Formats into buf, which has no bound: the caller sizes it for the longest
// possible result plus the terminator (for example by bounding each %s with
// a precision). Returns the length written; 0, with nothing written, for a
// null buf; a null format gives "".
int32_t StrFormat(char* buf, const char* format, ...);
// channel must be null (otherwise nothing happens and 0 is returned): the
// text goes to the console sink. Returns the bytes printed.
int32_t PrintMessage(void* channel, const char* format, ...);

// The console sink takes one zero-terminated UTF-8 text. Null until the
// client entry installs the host's console.
typedef int32_t (*ConsoleSink)(const char* utf8);
// Installs sink (null: none, and printing goes nowhere); returns the previous
// one so that the caller can put it back.
ConsoleSink SetConsoleSink(ConsoleSink sink);
ConsoleSink GetConsoleSink();
// Prints one finished text as the console sink does, with no formatting, so
// a '%' in it is printed as it stands.
void ConsolePrintText(const char* text);

#endif
