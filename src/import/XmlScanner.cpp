#include "import/XmlScanner.h"

#include "import/ReadFailure.h"

#include <cstdint>
#include <cstring>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameChar(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c >= '0' && c <= '9') || c == '_' || c == ':' || c == '-' || c == '.';
}

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The value of an attribute with its references replaced; an unknown entity
// is kept as written, since a colour or a number never holds one.
std::string Decode(std::string_view raw)
{
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        const size_t end = raw.find(';', i);
        if (end == std::string_view::npos || end - i > 12) {
            out += raw[i];
            continue;
        }
        const std::string_view ref = raw.substr(i + 1, end - i - 1);
        static const struct {
            const char* name;
            char ch;
        } named[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        bool done = false;
        for (const auto& n : named)
            if (ref == n.name) {
                out += n.ch;
                done = true;
            }
        if (!done && ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x' || ref[1] == 'X';
            uint32_t cp = 0;
            bool ok = ref.size() > (hex ? 2u : 1u);
            for (size_t k = hex ? 2 : 1; k < ref.size() && ok; ++k) {
                const char c = ref[k];
                int digit = -1;
                if (c >= '0' && c <= '9')
                    digit = c - '0';
                else if (hex && c >= 'a' && c <= 'f')
                    digit = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F')
                    digit = c - 'A' + 10;
                ok = digit >= 0 && cp <= 0x10FFFF;
                cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
            }
            if (ok && cp > 0 && cp <= 0x10FFFF) {
                AppendUtf8(out, cp);
                done = true;
            }
        }
        if (done)
            i = end;
        else
            out += raw[i];
    }
    return out;
}

class Scanner {
public:
    Scanner(std::string_view text, IXmlVisitor& visitor) : text_(text), visitor_(visitor) {}

    bool Run(std::string& why)
    {
        bool rootSeen = false;
        if (Bom())
            pos_ = 3;
        while (pos_ < text_.size()) {
            if (text_[pos_] != '<') {
                if (open_.empty() && !IsSpace(text_[pos_]))
                    return Fail(why, rootSeen ? "text after the root element"
                                              : "not XML: text before the first element");
                ++pos_;
                continue;
            }
            if (Starts("<!--")) {
                if (!SkipPast("-->"))
                    return Fail(why, "a comment is not closed");
            } else if (Starts("<?")) {
                if (!SkipPast("?>"))
                    return Fail(why, "a processing instruction is not closed");
            } else if (Starts("<![CDATA[")) {
                if (open_.empty() || !SkipPast("]]>"))
                    return Fail(why, "misplaced or unclosed CDATA");
            } else if (Starts("<!")) {
                if (rootSeen || !SkipDeclaration())
                    return Fail(why, "a document type declaration is not closed");
            } else if (Starts("</")) {
                if (!EndTag(why))
                    return false;
            } else {
                if (open_.empty() && rootSeen)
                    return Fail(why, "a second root element");
                rootSeen = true;
                if (!StartTag(why))
                    return false;
            }
        }
        if (!rootSeen)
            return Fail(why, "not XML: no element");
        if (!open_.empty()) {
            why = "the file ends inside <" + std::string(open_.back()) + ">";
            return false;
        }
        return true;
    }

private:
    bool Bom() const
    {
        return text_.size() >= 3 && std::memcmp(text_.data(), "\xEF\xBB\xBF", 3) == 0;
    }
    bool Starts(const char* s) const { return text_.substr(pos_, std::strlen(s)) == s; }
    bool SkipPast(const char* s)
    {
        const size_t at = text_.find(s, pos_);
        if (at == std::string_view::npos)
            return false;
        pos_ = at + std::strlen(s);
        return true;
    }
    // <!DOCTYPE ...> with an internal subset in brackets.
    bool SkipDeclaration()
    {
        int brackets = 0;
        for (size_t i = pos_ + 2; i < text_.size(); ++i) {
            const char c = text_[i];
            if (c == '[')
                ++brackets;
            else if (c == ']')
                --brackets;
            else if (c == '>' && brackets <= 0) {
                pos_ = i + 1;
                return true;
            }
        }
        return false;
    }
    void SkipSpace()
    {
        while (pos_ < text_.size() && IsSpace(text_[pos_]))
            ++pos_;
    }
    std::string_view Name()
    {
        const size_t start = pos_;
        while (pos_ < text_.size() && IsNameChar(text_[pos_]))
            ++pos_;
        return text_.substr(start, pos_ - start);
    }
    bool Fail(std::string& why, std::string_view what) const
    {
        why = AtLine(LineAt(text_, pos_), what);
        return false;
    }

    bool StartTag(std::string& why)
    {
        ++pos_;
        const std::string_view name = Name();
        if (name.empty())
            return Fail(why, "a tag without a name");
        attributes_.clear();
        for (;;) {
            const size_t before = pos_;
            SkipSpace();
            if (pos_ >= text_.size())
                return Fail(why, "the file ends inside a tag");
            if (text_[pos_] == '>' || Starts("/>"))
                break;
            if (pos_ == before)
                return Fail(why, "attributes must be separated by spaces");
            const std::string_view attr = Name();
            if (attr.empty())
                return Fail(why, "unexpected character in a tag");
            SkipSpace();
            if (pos_ >= text_.size() || text_[pos_] != '=')
                return Fail(why, "an attribute without a value");
            ++pos_;
            SkipSpace();
            if (pos_ >= text_.size() || (text_[pos_] != '"' && text_[pos_] != '\''))
                return Fail(why, "an attribute value without quotes");
            const char quote = text_[pos_++];
            const size_t end = text_.find(quote, pos_);
            if (end == std::string_view::npos)
                return Fail(why, "an attribute value is not closed");
            for (const CXmlAttribute& a : attributes_)
                if (a.name == attr)
                    return Fail(why, "a repeated attribute");
            attributes_.push_back({attr, Decode(text_.substr(pos_, end - pos_))});
            pos_ = end + 1;
        }
        const bool empty = text_[pos_] == '/';
        pos_ += empty ? 2 : 1;
        if (static_cast<int>(open_.size()) >= kXmlMaxDepth)
            return Fail(why, "elements are nested too deeply");
        visitor_.Open(name, attributes_);
        if (empty)
            visitor_.Close();
        else
            open_.push_back(name);
        return true;
    }

    bool EndTag(std::string& why)
    {
        pos_ += 2;
        const std::string_view name = Name();
        SkipSpace();
        if (pos_ >= text_.size() || text_[pos_] != '>')
            return Fail(why, "an end tag is not closed");
        if (open_.empty() || open_.back() != name)
            return Fail(why, "</" + std::string(name) + "> does not close the open element");
        ++pos_;
        open_.pop_back();
        visitor_.Close();
        return true;
    }

    std::string_view text_;
    IXmlVisitor& visitor_;
    size_t pos_ = 0;
    std::vector<std::string_view> open_;
    std::vector<CXmlAttribute> attributes_;
};

} // namespace

bool ScanXml(std::string_view text, IXmlVisitor& visitor, std::string& why)
{
    return Scanner(text, visitor).Run(why);
}
