#pragma once
// Line tokenizers for the chunk-structured text formats. A line is split into
// words at spaces and tabs; ( ) , : ; = [ ] { } are words of their own; text in
// double quotes is one word without its quotes. Bytes of multi-byte UTF-8
// sequences (and any other byte above 127) never split a word, so names in
// other encodings pass through untouched.
//
// The tokens of the last line stay readable until the next line is read.
// Queries beyond the token count answer false, 0 or 0.0, never an error.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// True when the text starts with a number that ParseLeadingDouble reads: an
// optional sign, then a digit or a point followed by a digit.
bool StartsWithNumber(std::string_view text);
// ParseLeadingInt clamped to the int range.
int LeadingInt(std::string_view text);
// ParseLeadingDouble's value; 0 for a magnitude too large for a double.
double LeadingDouble(std::string_view text);

class StringSeparator {
public:
    StringSeparator();
    virtual ~StringSeparator();
    StringSeparator(const StringSeparator&) = delete;
    StringSeparator& operator=(const StringSeparator&) = delete;

    // Splits one NUL-terminated string (it ends at NUL, LF or CR); returns and
    // stores the number of tokens.
    int Tokenize(const char* text);
    // Stores a copy of text in slot index, growing the slots as needed.
    void SetToken(int index, const char* text);

    // Token count of the last line; -1 after end of file.
    int TokenCount() const { return tokenCount; }
    // Token i, or "" when there is none.
    const char* Token(int i) const;
    // True when there are at least n tokens and token 0 equals word, ignoring case.
    bool FirstTokenIs(const char* word, int n) const;
    bool TokenIs(int i, const char* word) const;
    // Leading-number parses of token i in the C locale; 0 when it is missing
    // or does not start with a number.
    int TokenAsInt(int i) const;
    double TokenAsDouble(int i) const;

protected:
    std::vector<std::string> tokens; // slots keep their memory from line to line
    int tokenCount = 0;
    unsigned char singleCharTokens[128] = {};
    char quoteChar = '"';

private:
    std::string scratch_;
};

// Reads lines from a C stream (not owned) byte by byte, whatever their length.
class FileStringSeparator : public StringSeparator {
public:
    explicit FileStringSeparator(std::FILE* stream) : file(stream) {}
    // Reads and tokenizes the next line (ended by LF, CR or CR LF); -1 at end of file.
    virtual int ReadLine();

protected:
    std::FILE* file;

private:
    std::string line_;
};

// Reads lines in pieces of at most 8190 bytes; a longer line arrives as
// several lines, each tokenized on its own.
class AsciiFileString : public FileStringSeparator {
public:
    explicit AsciiFileString(std::FILE* stream) : FileStringSeparator(stream) {}
    int ReadLine() override;

    static constexpr int kPieceLimit = 8191; // bytes passed to the bounded line read
};
