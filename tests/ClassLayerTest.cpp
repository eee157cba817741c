// The class layer's own rules: the error box text and the ANSI text helpers.
#include "classlib/AnsiText.h"
#include "classlib/Application.h"

#include <gtest/gtest.h>

TEST(ErrorBoxText, AppendsAFullStopOnlyAfterCharactersAboveIt)
{
    // The registry messages end in a quote, which sorts below the full stop.
    EXPECT_EQ(ErrorBoxText(L"Fehler beim Holen der Daten f\u00fcr 'ARCpath'"),
              L"Fehler beim Holen der Daten f\u00fcr 'ARCpath'");
    EXPECT_EQ(ErrorBoxText(L"Ressource TZARVIKTOOL nicht gefunden"), L"Ressource TZARVIKTOOL nicht gefunden.");
    EXPECT_EQ(ErrorBoxText(L"Zeile 7"), L"Zeile 7.");
    EXPECT_EQ(ErrorBoxText(L"Ende."), L"Ende.");
    EXPECT_EQ(ErrorBoxText(L"Achtung!"), L"Achtung!");
    EXPECT_EQ(ErrorBoxText(L"Pfad -"), L"Pfad -");
    EXPECT_EQ(ErrorBoxText(L""), L"");
    EXPECT_EQ(ErrorBoxText(L"Pfad /"), L"Pfad /.");
}

TEST(AnsiText, PositionIsOneBasedAndZeroForEmptyOrMissing)
{
    EXPECT_EQ(AnsiPos("b", "abc"), 2u);
    EXPECT_EQ(AnsiPos("abc", "abc"), 1u);
    EXPECT_EQ(AnsiPos("x", "abc"), 0u);
    EXPECT_EQ(AnsiPos("", "abc"), 0u);
    EXPECT_EQ(AnsiPos("a", ""), 0u);
    EXPECT_EQ(AnsiPos("B", "abc"), 0u);
    EXPECT_FALSE(AnsiContainsStr("abc", ""));
    EXPECT_TRUE(AnsiContainsStr("abc", "bc"));
}

TEST(AnsiText, ReverseMidAndLeft)
{
    EXPECT_EQ(AnsiReverseString("c:\\Corvanta\\Print.dml"), "lmd.tnirP\\atnavroC\\:c");
    EXPECT_EQ(AnsiReverseString(""), "");
    EXPECT_EQ(MidStr("abcdef", 2, 3), "bcd");
    EXPECT_EQ(MidStr("abcdef", 0, 2), "ab");
    EXPECT_EQ(MidStr("abcdef", 7, 2), "");
    EXPECT_EQ(MidStr("abcdef", 3, 0), "");
    EXPECT_EQ(MidStr("abcdef", 3, -4), "");
    EXPECT_EQ(MidStr("abcdef", 5, 99), "ef");
    EXPECT_EQ(LeftStr("abcdef", 2), "ab");
    EXPECT_EQ(LeftStr("abcdef", 0), "");
    EXPECT_EQ(LeftStr("abcdef", 60), "abcdef");
}

TEST(AnsiText, ConversionGoesThroughTheAnsiCodePage)
{
    const std::string umlaut = "\xf6"; // o umlaut in the Western code page
    if (GetACP() == 1252) {
        EXPECT_EQ(AnsiToWide(umlaut), L"\u00f6");
        EXPECT_EQ(WideToAnsi(L"\u00f6"), umlaut);
    }
    EXPECT_EQ(WideToAnsi(AnsiToWide("c:\\ARC")), "c:\\ARC");
}
