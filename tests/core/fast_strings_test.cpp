#include <gtest/gtest.h>

#include "support/Cp1251.h"
#include "support/FastStrings.h"
#include "support/VStringList.h"

TEST(FindFrom, CaseSensitiveAndBlind) {
  const std::string page = "<html><body class=x>text</body>";
  EXPECT_EQ(FindFromNoCase("<BODY", page, 1), 7);
  EXPECT_EQ(FindFrom("<BODY", page, 1), 0);
  EXPECT_EQ(FindFrom("<body", page, 1), 7);
  EXPECT_EQ(FindFrom("<body", page, 8), 0);
}

TEST(FindFrom, Edges) {
  EXPECT_EQ(FindFrom("a", "a", 1), 1);
  EXPECT_EQ(FindFrom("ab", "a", 1), 0);
  EXPECT_EQ(FindFrom("a", "ba", 3), 0);
  EXPECT_EQ(FindFrom("a", "ba", 2), 2);
  EXPECT_EQ(FindFrom("", "abc", 1), 0);
  EXPECT_EQ(FindFromNoCase("", "abc", 1), 0);
  EXPECT_THROW(FindFrom("a", "a", 0), EFastStringsError);
  EXPECT_THROW(FindFromNoCase("a", "a", 0), EFastStringsError);
  // A pattern whose last byte also stands earlier in it.
  EXPECT_EQ(FindFrom("abab", "xxabaabab", 1), 6);
  EXPECT_EQ(FindFrom("aab", "aaaab", 1), 3);
}

TEST(FindFrom, CyrillicCase) {
  // "Ёлка" against "ёЛКА", "І" against "і": Windows-1251 pairs.
  EXPECT_EQ(FindFromNoCase("\xA8\xEB\xEA\xE0", "x \xB8\xCB\xCA\xC0", 1), 3);
  EXPECT_EQ(FindFromNoCase("\xB2", "\xB3", 1), 1);
  EXPECT_EQ(FindFrom("\xB2", "\xB3", 1), 0);
}

TEST(FindFrom, AgreesWithNaiveSearch) {
  // Random short texts over a small alphabet exercise every skip-table path.
  unsigned seed = 12345;
  auto next = [&] { return seed = seed * 1103515245 + 12345, (seed >> 16) & 0x7fff; };
  const char alphabet[] = "abAB\xC0\xE0";
  for (int round = 0; round < 3000; ++round) {
    std::string text, pat;
    for (int i = 0, n = next() % 20; i < n; ++i) text += alphabet[next() % 6];
    for (int i = 0, n = 1 + next() % 4; i < n; ++i) pat += alphabet[next() % 6];
    const int start = 1 + static_cast<int>(next() % (text.size() + 2));
    const size_t exact = start - 1 <= static_cast<int>(text.size()) ? text.find(pat, start - 1) : std::string::npos;
    EXPECT_EQ(FindFrom(pat, text, start), exact == std::string::npos ? 0 : static_cast<int>(exact) + 1);
    const std::string ut = cp1251::ToUpper(text), up = cp1251::ToUpper(pat);
    const size_t blind = start - 1 <= static_cast<int>(ut.size()) ? ut.find(up, start - 1) : std::string::npos;
    EXPECT_EQ(FindFromNoCase(pat, text, start), blind == std::string::npos ? 0 : static_cast<int>(blind) + 1);
  }
}

TEST(ReplaceAllText, Cases) {
  EXPECT_EQ(ReplaceAllText("aaa", "aa", "b", true), "ba");
  EXPECT_EQ(ReplaceAllText("x&NBSP;y", "&nbsp;", " ", false), "x y");
  EXPECT_EQ(ReplaceAllText("x&NBSP;y", "&nbsp;", " ", true), "x&NBSP;y");
  EXPECT_EQ(ReplaceAllText("a-b-c", "-", "", true), "abc");
  EXPECT_EQ(ReplaceAllText("", "a", "b", true), "");
  // The replacement brings in text that is not searched again.
  EXPECT_EQ(ReplaceAllText("<p> </p>", "> </p>", ">&nbsp;</p>", false), "<p>&nbsp;</p>");
  EXPECT_EQ(ReplaceAllText("aXa", "a", "aaaa", true), "aaaaXaaaa");
  EXPECT_EQ(ReplaceAllText("a/b/c", "/", "\\", true), "a\\b\\c");
}

TEST(TVStringList, SortedByteOrderAndDuplicates) {
  TVStringList forms(true, TVStringList::TDuplicates::dupIgnore);
  for (const char* s : {"\xC0\xC1", "B", "\xC0", "A", "B", "AB"}) forms.Add(s);
  ASSERT_EQ(forms.Count(), 5);
  EXPECT_EQ(forms[0], "A");
  EXPECT_EQ(forms[1], "AB");
  EXPECT_EQ(forms[2], "B");
  EXPECT_EQ(forms[3], "\xC0");  // bytes above 0x7F sort after ASCII
  EXPECT_EQ(forms[4], "\xC0\xC1");
  int i;
  EXPECT_TRUE(forms.Find("B", i));
  EXPECT_EQ(i, 2);
  EXPECT_FALSE(forms.Find("AA", i));
  EXPECT_EQ(i, 1);

  TVStringList variants;  // unsorted, duplicates kept
  variants.Add("b");
  variants.Add("a");
  variants.Add("b");
  ASSERT_EQ(variants.Count(), 3);
  EXPECT_EQ(variants[0], "b");
  EXPECT_EQ(variants.IndexOf("a"), 1);
}

TEST(Cp1251, UnicodeRoundTrip) {
  for (int b = 0; b < 256; ++b) {
    if (b == 0x98) continue;  // unused in the code page
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(cp1251::FromUtf8(cp1251::ToUtf8(one)), one) << b;
  }
  EXPECT_EQ(cp1251::ToUtf8("\xC7\xE0\xEA\xEE\xED \xB9"), "Закон №");
  EXPECT_EQ(cp1251::FromUtf8("Ёж 漢 €"), "\xA8\xE6 ? \x88");
  EXPECT_EQ(cp1251::FromUtf8("\xD0"), "?");  // truncated sequence
}

// The view's strings come as UTF-16: the direct conversion gives what the UTF-8 one gives.
TEST(Cp1251, Utf16HtmlAsUtf8Html) {
  const std::u16string text = u"Статья 1. № 5 — «漢» \u00A0€ \U0001F600 end";
  std::string utf8;
  for (int b = 0; b < 256; ++b) utf8 += cp1251::ToUtf8(std::string(1, static_cast<char>(b)));
  std::u16string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char16_t>(cp1251::ToUnicode(static_cast<unsigned char>(b)));
  EXPECT_EQ(cp1251::FromUtf16Html(all), cp1251::FromUtf8Html(utf8));
  EXPECT_EQ(cp1251::FromUtf16Html(text),
            cp1251::FromUtf8Html("Статья 1. № 5 — «漢» \u00A0€ \U0001F600 end"));
  EXPECT_EQ(cp1251::FromUtf16Html(u"a\xD800" "b"), "a&#65533;b");  // a lone surrogate
}
