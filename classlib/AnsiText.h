// 8-bit texts in the system ANSI code page and their helpers.
//
// Positions and counts are byte positions and byte counts throughout. In a
// single-byte code page this is the same as counting the UTF-16 units of the
// widened text; in a double-byte code page we cut by bytes on purpose, so that
// the positions found by AnsiPos and the counts given to MidStr/LeftStr name the
// same bytes. AnsiPos and AnsiReverseString still respect double-byte
// characters (no match starting on a trail byte; a character reverses whole).
#pragma once
#include <string>
#include <string_view>

// Conversions through the system ANSI code page, without flags.
std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::wstring& text);

// 1-based byte position of the first occurrence of sub in text that begins on a
// character boundary; 0 when either is empty or sub does not occur.
std::size_t AnsiPos(std::string_view sub, std::string_view text);

// True exactly when AnsiPos(sub, text) > 0.
bool AnsiContainsStr(std::string_view text, std::string_view sub);

// Characters in reverse order; a double-byte character keeps its byte order.
std::string AnsiReverseString(std::string_view text);

// Bytes from 1-based index (below 1 counts as 1), at most count of them.
std::string MidStr(std::string_view text, long long index, long long count);

// The first count bytes (all of them when count reaches past the end).
std::string LeftStr(std::string_view text, long long count);
