// The printf-style formatter shared by StrFormat and PrintMessage, and the
// console sink that PrintMessage feeds.
#ifndef TAGSMITH_SUPPORT_FORMAT_H
#define TAGSMITH_SUPPORT_FORMAT_H

#include <cstdarg>
#include <cstdint>

// A sink receives a piece of text (not terminated) and returns the number of
// bytes it consumed.
typedef int32_t (*FormatSink)(void* context, const char* text, int32_t count);
int32_t FormatEngine(FormatSink sink, void* context, const char* format, va_list args);

int32_t StrFormat(char* buf, const char* format, ...);
// channel must be null: the text goes to the console sink.
int32_t PrintMessage(void* channel, const char* format, ...);

// The console sink takes one zero-terminated UTF-8 text. Null until the
// client entry installs the host's console.
typedef int32_t (*ConsoleSink)(const char* utf8);
ConsoleSink SetConsoleSink(ConsoleSink sink);
ConsoleSink GetConsoleSink();
// Prints one finished text as the console sink does, with no formatting, so
// a '%' in it is printed as it stands.
void ConsolePrintText(const char* text);

#endif
