#include "import/StringSeparator.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <clocale>
#include <memory>

namespace {

std::vector<std::string> Split(const std::string& line)
{
    StringSeparator sep;
    const int n = sep.Tokenize(line.c_str());
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i)
        out.push_back(sep.Token(i));
    return out;
}

using Tokens = std::vector<std::string>;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenScratch(const std::string& name, const std::string& content)
{
    return File(std::fopen(testfiles::WriteScratch(name, content).c_str(), "rb"));
}

template <class Reader> std::vector<Tokens> ReadAllLines(std::FILE* f)
{
    Reader reader(f);
    std::vector<Tokens> lines;
    while (reader.ReadLine() >= 0) {
        Tokens t;
        for (int i = 0; i < reader.TokenCount(); ++i)
            t.push_back(reader.Token(i));
        lines.push_back(t);
    }
    EXPECT_EQ(reader.TokenCount(), -1);
    return lines;
}

} // namespace

TEST(Tokenizer, SplitsWordsSeparatorsAndQuotes)
{
    EXPECT_EQ(Split("Object \"obj 1\" {"), (Tokens{"Object", "obj 1", "{"}));
    EXPECT_EQ(Split("col(1.000 0.5 0.5 1.000)"),
              (Tokens{"col", "(", "1.000", "0.5", "0.5", "1.000", ")"}));
    EXPECT_EQ(Split("Vector 3 [36]"), (Tokens{"Vector", "3", "[", "36", "]"}));
    EXPECT_EQ(Split("a\"b c\"d"), (Tokens{"a", "b c", "d"}));
    EXPECT_EQ(Split("{}"), (Tokens{"{", "}"}));
    EXPECT_EQ(Split("x=1;y:2,z"), (Tokens{"x", "=", "1", ";", "y", ":", "2", ",", "z"}));
    EXPECT_EQ(Split("\t\tlead  and   trail \t"), (Tokens{"lead", "and", "trail"}));
}

TEST(Tokenizer, QuoteEdgeCases)
{
    EXPECT_EQ(Split("name \"\" end"), (Tokens{"name", "", "end"}));
    EXPECT_EQ(Split("\"a,b\""), (Tokens{"a,b"}));
    EXPECT_EQ(Split("\"{ ( ) }\""), (Tokens{"{ ( ) }"}));
    // An open quote runs to the end of the line; its text is the last token.
    EXPECT_EQ(Split("tex(\"open name"), (Tokens{"tex", "(", "open name"}));
    EXPECT_EQ(Split("a \"b\r\nnext"), (Tokens{"a", "b"}));
}

TEST(Tokenizer, EmptyAndBlankLinesHaveNoTokens)
{
    EXPECT_TRUE(Split("").empty());
    EXPECT_TRUE(Split("    \t ").empty());
    EXPECT_TRUE(Split("\r\n").empty());
}

TEST(Tokenizer, HighBytesStayInsideTheirToken)
{
    // UTF-8 "立方体" and a Shift-JIS name whose trail bytes are '{' (0x7B) and '\' (0x5C).
    EXPECT_EQ(Split("Object \xE7\xAB\x8B\xE6\x96\xB9\xE4\xBD\x93 {"),
              (Tokens{"Object", "\xE7\xAB\x8B\xE6\x96\xB9\xE4\xBD\x93", "{"}));
    EXPECT_EQ(Split("Object \"\x83\x7B\x83\x5C\" {"), (Tokens{"Object", "\x83\x7B\x83\x5C", "{"}));
    // No byte swallows its follower: a high byte right before a separator leaves it a token.
    EXPECT_EQ(Split("\x82("), (Tokens{"\x82", "("}));
    EXPECT_EQ(Split("ab\xFF"), (Tokens{"ab\xFF"}));
}

TEST(Tokenizer, QueriesCheckTheCountAndIgnoreCase)
{
    StringSeparator sep;
    EXPECT_EQ(sep.Tokenize("VERTEX 12 {"), 3);
    EXPECT_TRUE(sep.TokenIs(0, "vertex"));
    EXPECT_TRUE(sep.FirstTokenIs("Vertex", 3));
    EXPECT_FALSE(sep.FirstTokenIs("Vertex", 4));
    EXPECT_EQ(sep.TokenAsInt(1), 12);
    // A shorter line hides the slots the longer one left behind.
    EXPECT_EQ(sep.Tokenize("x"), 1);
    EXPECT_FALSE(sep.TokenIs(1, "12"));
    EXPECT_EQ(sep.TokenAsInt(1), 0);
    EXPECT_EQ(sep.TokenAsDouble(2), 0.0);
    EXPECT_STREQ(sep.Token(5), "");
    EXPECT_FALSE(sep.TokenIs(-1, "x"));
    sep.SetToken(7, "far");
    EXPECT_STREQ(sep.Token(0), "x");
}

TEST(Tokenizer, TokenNumbersAreLeadingNumberParses)
{
    StringSeparator sep;
    ASSERT_EQ(sep.Tokenize("12abc -7 +3 1.9 abc 99999999999999999999999 -99999999999"), 7);
    EXPECT_EQ(sep.TokenAsInt(0), 12);
    EXPECT_EQ(sep.TokenAsInt(1), -7);
    EXPECT_EQ(sep.TokenAsInt(2), 3);
    EXPECT_EQ(sep.TokenAsInt(3), 1);
    EXPECT_EQ(sep.TokenAsInt(4), 0);
    EXPECT_EQ(sep.TokenAsInt(5), INT32_MAX); // clamped, never wrapped
    EXPECT_EQ(sep.TokenAsInt(6), INT32_MIN);
    ASSERT_EQ(sep.Tokenize("3.1+e2 +1.5e2 -.25 2. 1e x1 1e999 1e-999 inf"), 9);
    EXPECT_EQ(sep.TokenAsDouble(0), 3.1);
    EXPECT_EQ(sep.TokenAsDouble(1), 150.0);
    EXPECT_EQ(sep.TokenAsDouble(2), -0.25);
    EXPECT_EQ(sep.TokenAsDouble(3), 2.0);
    EXPECT_EQ(sep.TokenAsDouble(4), 1.0);
    EXPECT_EQ(sep.TokenAsDouble(5), 0.0);
    EXPECT_EQ(sep.TokenAsDouble(6), 0.0); // too large: no infinite coordinate
    EXPECT_EQ(sep.TokenAsDouble(7), 0.0);
    EXPECT_EQ(sep.TokenAsDouble(8), 0.0);
    EXPECT_TRUE(StartsWithNumber("-.5"));
    EXPECT_TRUE(StartsWithNumber("7]"));
    EXPECT_FALSE(StartsWithNumber("."));
    EXPECT_FALSE(StartsWithNumber("}"));
    EXPECT_FALSE(StartsWithNumber("-"));
    EXPECT_FALSE(StartsWithNumber("nan"));
}

TEST(Tokenizer, NumberParseIgnoresTheProcessLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    StringSeparator sep;
    sep.Tokenize("0.5");
    const double v = sep.TokenAsDouble(0);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(v, 0.5);
}

TEST(Tokenizer, AsciiFileStringReadsLongLinesInPieces)
{
    const std::string longLine(9000, 'a');
    File f = OpenScratch("pieces.txt", longLine + "\nnext line\r\n\nlast");
    ASSERT_TRUE(f);
    const auto lines = ReadAllLines<AsciiFileString>(f.get());
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], Tokens{std::string(8190, 'a')});
    EXPECT_EQ(lines[1], Tokens{std::string(810, 'a')});
    EXPECT_EQ(lines[2], (Tokens{"next", "line"}));
    EXPECT_TRUE(lines[3].empty()); // an empty line is 0 tokens, not the end
    EXPECT_EQ(lines[4], Tokens{"last"});
}

TEST(Tokenizer, FileStringSeparatorEndsLinesAtLfCrAndCrLf)
{
    const std::string longLine(10000, 'b');
    File f = OpenScratch("lines.txt", "one\rtwo\r\nthree\n" + longLine + "\r");
    ASSERT_TRUE(f);
    const auto lines = ReadAllLines<FileStringSeparator>(f.get());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], Tokens{"one"});
    EXPECT_EQ(lines[1], Tokens{"two"});
    EXPECT_EQ(lines[2], Tokens{"three"});
    EXPECT_EQ(lines[3], Tokens{longLine});
}

TEST(Tokenizer, EmptyFileIsEndOfFileAtOnce)
{
    File f = OpenScratch("empty.txt", "");
    ASSERT_TRUE(f);
    AsciiFileString reader(f.get());
    EXPECT_EQ(reader.ReadLine(), -1);
    EXPECT_FALSE(reader.TokenIs(0, ""));
    EXPECT_EQ(reader.TokenAsInt(0), 0);
}
