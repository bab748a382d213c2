#pragma once
// A small XML scanner for the vector formats we read: elements and their
// attributes in document order, nothing else. Text, comments, processing
// instructions, CDATA and the document type are skipped; namespaces are
// left in the names as written.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct CXmlAttribute {
    std::string_view name;
    std::string value; // entities and character references decoded
};

class IXmlVisitor {
public:
    virtual ~IXmlVisitor() = default;
    // An element starts; every Open is matched by one Close, even for <a/>.
    virtual void Open(std::string_view name, const std::vector<CXmlAttribute>& attributes) = 0;
    virtual void Close() = 0;
};

// Nesting deeper than this is refused rather than followed.
constexpr int kXmlMaxDepth = 512;

// Walks `text`, calling the visitor for every element. Returns false with
// `why` ("line N: what") on anything that is not well formed: no root
// element, a tag left open, an end tag that does not match, a repeated or
// unquoted attribute, text after the root, nesting past kXmlMaxDepth. Calls
// already made stay made; the caller discards what it built on failure.
bool ScanXml(std::string_view text, IXmlVisitor& visitor, std::string& why);
