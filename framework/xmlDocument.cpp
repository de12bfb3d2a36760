#include "framework/xmlDocument.h"

#include "framework/exception.h"
#include "framework/unique.h"

#include <oleauto.h>

#include <algorithm>
#include <cwctype>
#include <utility>

using Microsoft::WRL::ComPtr;

namespace {

// mingw-w64 declares the MSXML interfaces but not the version 6 document's class.
constexpr CLSID kClsidDomDocument60 = {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
constexpr IID kIidDomDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* operator&() noexcept { return &value_; }
    VARIANT& get() noexcept { return value_; }

private:
    VARIANT value_;
};

UniqueBstr bstr(const std::wstring& text) {
    UniqueBstr result(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    if (!result) throw Exception(systemMessage(ERROR_NOT_ENOUGH_MEMORY));
    return result;
}

std::wstring fromBstr(BSTR text) {
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

constexpr wchar_t kNotSingleText[] = L"Element does not contain a single text node";

// White space alone, as XML defines it; such text between elements is not content.
bool isBlank(std::wstring_view text) {
    return text.find_first_not_of(L" \t\r\n") == std::wstring_view::npos;
}

[[noreturn]] void throwConversionError(const wchar_t* from) {
    throw Exception(formatMessage(L"Could not convert variant of type (%ls) into type (%ls)", from, L"Boolean"));
}

// A plain decimal number: optional sign, digits with an optional fraction, optional exponent.
bool parseDecimal(const std::wstring& text, double& value) {
    size_t i = 0, n = text.size();
    if (i < n && (text[i] == L'+' || text[i] == L'-')) ++i;
    size_t digits = 0;
    while (i < n && iswdigit(text[i])) ++i, ++digits;
    if (i < n && text[i] == L'.') {
        ++i;
        while (i < n && iswdigit(text[i])) ++i, ++digits;
    }
    if (!digits) return false;
    if (i < n && (text[i] == L'e' || text[i] == L'E')) {
        ++i;
        if (i < n && (text[i] == L'+' || text[i] == L'-')) ++i;
        size_t exponent = 0;
        while (i < n && iswdigit(text[i])) ++i, ++exponent;
        if (!exponent) return false;
    }
    if (i != n) return false;
    value = wcstod(text.c_str(), nullptr);
    return true;
}

// The file's bytes as a one-dimensional array of bytes; false when it cannot be read whole.
bool readWholeFile(const std::wstring& path, VARIANT& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7fffffff) return false;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size.QuadPart));
    if (!array) return false;
    bytes.vt = VT_ARRAY | VT_UI1;
    bytes.parray = array;  // freed with the variant
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return false;
    DWORD done = 0, read = 0;
    while (done < size.QuadPart && ReadFile(file.get(), static_cast<char*>(data) + done, static_cast<DWORD>(size.QuadPart) - done, &read, nullptr) && read)
        done += read;
    SafeArrayUnaccessData(array);
    return done == size.QuadPart;
}

// Characters that a text cannot be written with as they are: markup, characters XML cannot
// hold, and the halves of surrogate pairs (which may be unpaired).
bool needsCare(wchar_t c) {
    return c < 0x20 || c == L'&' || c == L'<' || c == L'>' || (c >= 0xD800 && c <= 0xDFFF) || c >= 0xFFFE;
}

// Hands on each character of the text that XML 1.0 can carry: the others are left out, and an
// unpaired surrogate becomes U+FFFD.
template <class Keep>
void forEachSafe(std::wstring_view text, Keep keep) {
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            keep(c);
            keep(text[++i]);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            keep(L'\xFFFD');
        } else if ((c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || c == 0xFFFE || c == 0xFFFF) {
            // XML 1.0 has no way to write these, not even as references.
        } else {
            keep(c);
        }
    }
}

// Copies the text as bytes while it is ASCII (characters below 0x80 are their own UTF-8 bytes);
// false at the first character that is not.
bool putAscii(char*& bytes, std::wstring_view text) {
    for (wchar_t c : text) {
        if (c >= 0x80) return false;
        *bytes++ = static_cast<char>(c);
    }
    return true;
}

// Copies the text as bytes up to its first character that is not ASCII or that needs escaping
// or removing; returns how many it copied.
size_t putPlainAscii(char* bytes, std::wstring_view text) {
    size_t done = 0;
    for (wchar_t c : text) {
        if (c >= 0x80 || needsCare(c)) break;
        bytes[done++] = static_cast<char>(c);
    }
    return done;
}

// Converts piece by piece into room for the longest result (three bytes per UTF-16 unit), so
// that the text is read once, not measured first and converted after.
void appendUtf8(std::string& bytes, std::wstring_view text) {
    constexpr size_t kPiece = 1 << 16;
    while (!text.empty()) {
        size_t length = std::min(text.size(), kPiece);
        // A surrogate pair stays in one piece.
        if (length < text.size() && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
        const size_t at = bytes.size();
        bytes.resize(at + 3 * length);
        int written = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(length), bytes.data() + at,
                                          static_cast<int>(3 * length), nullptr, nullptr);
        bytes.resize(at + static_cast<size_t>(written));
        text.remove_prefix(length);
    }
}

}  // namespace

std::wstring TXMLNode::NodeName() const {
    BSTR name = nullptr;
    throwIfFailed(node_->get_nodeName(&name));
    UniqueBstr owned(name);
    return fromBstr(name);
}

DOMNodeType TXMLNode::NodeType() const {
    DOMNodeType type = NODE_INVALID;
    throwIfFailed(node_->get_nodeType(&type));
    return type;
}

bool TXMLNode::NameIs(std::wstring_view name) const {
    BSTR own = nullptr;
    throwIfFailed(node_->get_nodeName(&own));
    UniqueBstr owned(own);
    return std::wstring_view(own ? own : L"", own ? SysStringLen(own) : 0) == name;
}

bool TXMLNode::IsBlankText() const {
    if (NodeType() != NODE_TEXT) return false;
    Variant value;
    throwIfFailed(node_->get_nodeValue(&value));
    if (value.get().vt != VT_BSTR || !value.get().bstrVal) return true;
    return isBlank({value.get().bstrVal, SysStringLen(value.get().bstrVal)});
}

TXMLNode TXMLNode::SkipBlanks(ComPtr<IXMLDOMNode> node) {
    TXMLNode current(std::move(node));
    while (!current.IsNull() && current.IsBlankText()) {
        ComPtr<IXMLDOMNode> next;
        throwIfFailed(current.node_->get_nextSibling(&next));
        current = TXMLNode(std::move(next));
    }
    return current;
}

TXMLNode TXMLNode::FirstChild() const {
    ComPtr<IXMLDOMNode> child;
    throwIfFailed(node_->get_firstChild(&child));
    return SkipBlanks(std::move(child));
}

TXMLNode TXMLNode::NextSibling() const {
    ComPtr<IXMLDOMNode> sibling;
    throwIfFailed(node_->get_nextSibling(&sibling));
    return SkipBlanks(std::move(sibling));
}

TXMLNode TXMLNode::ChildNamed(const std::wstring& name) {
    if (name.starts_with(L'#')) {
        // Only text and the like have such names, and blank text does not count.
        for (TXMLNode child = FirstChild(); !child.IsNull(); child = child.NextSibling())
            if (child.NodeName() == name) return child;
    } else {
        // No blank text can carry an element's name, so the children are taken as they come:
        // each node the DOM hands out is an object of its own, and a slow one under Wine.
        ComPtr<IXMLDOMNode> child;
        throwIfFailed(node_->get_firstChild(&child));
        while (child) {
            TXMLNode candidate(std::move(child));
            if (candidate.NameIs(name)) return candidate;
            throwIfFailed(candidate.node_->get_nextSibling(&child));
        }
    }

    DOMNodeType type = NodeType();
    if (type != NODE_ELEMENT) {
        // Comments, processing instructions and text cannot hold elements.
        BSTR typeName = nullptr;
        node_->get_nodeTypeString(&typeName);
        UniqueBstr owned(typeName);
        std::wstring upper = fromBstr(typeName);
        CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
        throw Exception(L"This operation cannot be performed with a node of type " + upper);
    }
    ComPtr<IXMLDOMDocument> document;
    throwIfFailed(node_->get_ownerDocument(&document));
    ComPtr<IXMLDOMElement> element;
    UniqueBstr elementName = bstr(name);
    throwIfFailed(document->createElement(elementName.get(), &element));
    ComPtr<IXMLDOMNode> added;
    throwIfFailed(node_->appendChild(element.Get(), &added));
    return TXMLNode(std::move(added));
}

std::wstring TXMLNode::Text() const {
    // One pass over the children: blank text is skipped, and the one node left must be text
    // or CDATA. The node's value keeps leading and trailing spaces, which the element's text
    // would trim.
    std::wstring text;
    bool found = false;
    ComPtr<IXMLDOMNode> child;
    throwIfFailed(node_->get_firstChild(&child));
    while (child) {
        DOMNodeType type = NODE_INVALID;
        throwIfFailed(child->get_nodeType(&type));
        if (type == NODE_TEXT || type == NODE_CDATA_SECTION) {
            Variant value;
            throwIfFailed(child->get_nodeValue(&value));
            std::wstring_view view;
            if (value.get().vt == VT_BSTR && value.get().bstrVal) view = {value.get().bstrVal, SysStringLen(value.get().bstrVal)};
            if (type == NODE_CDATA_SECTION || !isBlank(view)) {
                if (found) throw Exception(kNotSingleText);
                found = true;
                text = view;
            }
        } else {
            throw Exception(kNotSingleText);
        }
        ComPtr<IXMLDOMNode> next;
        throwIfFailed(child->get_nextSibling(&next));
        child = std::move(next);
    }
    return text;
}

bool TXMLNode::BooleanValue() const {
    std::wstring text = Text();
    if (text.empty()) throwConversionError(L"Null");
    // What a save writes, answered without the system's conversion (slow under Wine): every
    // rule below gives these two the same answer in any locale.
    if (text == L"true") return true;
    if (text == L"false") return false;
    VARIANT_BOOL flag = VARIANT_FALSE;
    if (SUCCEEDED(VarBoolFromStr(text.data(), LOCALE_USER_DEFAULT, 0, &flag))) return flag != VARIANT_FALSE;
    if (double number; parseDecimal(text, number)) return number != 0;
    if (CompareStringOrdinal(text.c_str(), -1, L"True", -1, TRUE) == CSTR_EQUAL) return true;
    if (CompareStringOrdinal(text.c_str(), -1, L"False", -1, TRUE) == CSTR_EQUAL) return false;
    throwConversionError(L"OleStr");
}

bool TXMLDocument::LoadFromFile(const std::wstring& path) {
    document_.Reset();
    ComPtr<IXMLDOMDocument2> document;
    if (FAILED(CoCreateInstance(kClsidDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kIidDomDocument2,
                                reinterpret_cast<void**>(document.GetAddressOf()))))
        return false;
    // Each setting is a request: a DOM that does not know one of them still loads, and the
    // document type check below stands in for the ones that matter.
    document->put_async(VARIANT_FALSE);
    document->put_validateOnParse(VARIANT_FALSE);
    document->put_resolveExternals(VARIANT_FALSE);
    // White space is kept by the parser and skipped when reading (TXMLNode): some DOMs drop
    // blank runs next to character references from inside a text, which would change tasks.
    document->put_preserveWhiteSpace(VARIANT_TRUE);
    for (const wchar_t* property : {L"ProhibitDTD"}) {
        UniqueBstr name = bstr(property);
        VARIANT on;
        VariantInit(&on);
        on.vt = VT_BOOL;
        on.boolVal = VARIANT_TRUE;
        document->setProperty(name.get(), on);
    }
    // The bytes are read here and handed over in memory: given the path, the DOM reads through
    // a URL moniker, which under Wine takes time that grows with the square of the size (2.5 s
    // for 11 MB, against 0.3 s from memory).
    Variant source;
    if (!readWholeFile(path, source.get())) return false;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (document->load(source.get(), &loaded) != S_OK || loaded != VARIANT_TRUE) return false;
    ComPtr<IXMLDOMDocumentType> doctype;
    if (FAILED(document->get_doctype(&doctype)) || doctype) return false;
    document_ = std::move(document);
    return true;
}

TXMLNode TXMLDocument::DocumentElement() const {
    if (!document_) throw Exception(L"No active document");
    ComPtr<IXMLDOMElement> root;
    throwIfFailed(document_->get_documentElement(&root));
    if (!root) throw Exception(L"No root element");
    return TXMLNode(ComPtr<IXMLDOMNode>(root.Get()));
}

TXMLWriter::TXMLWriter() : out_("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n") {}

void TXMLWriter::Append(std::wstring_view text) {
    const size_t at = out_.size();
    out_.resize(at + text.size());
    char* bytes = out_.data() + at;
    if (!putAscii(bytes, text)) {
        out_.resize(at);
        appendUtf8(out_, text);
    }
}

void TXMLWriter::StartElement(std::wstring_view name) {
    out_ += '<';
    Append(name);
    out_ += '>';
}

void TXMLWriter::EndElement(std::wstring_view name) {
    out_ += "</";
    Append(name);
    out_ += '>';
}

void TXMLWriter::TextElement(std::wstring_view name, std::wstring_view text) {
    // Most texts are plain ASCII with nothing to escape: the element goes in as one piece. From
    // the first character that is not, the rest takes the longer way.
    const size_t at = out_.size();
    out_.resize(at + 2 * name.size() + text.size() + 5);
    char* bytes = out_.data() + at;
    *bytes++ = '<';
    if (putAscii(bytes, name)) {
        *bytes++ = '>';
        const size_t plain = putPlainAscii(bytes, text);
        bytes += plain;
        if (plain == text.size()) {
            *bytes++ = '<';
            *bytes++ = '/';
            putAscii(bytes, name);
            *bytes = '>';
            return;
        }
        out_.resize(static_cast<size_t>(bytes - out_.data()));
        AppendSafe(text.substr(plain));
    } else {
        out_.resize(at);
        StartElement(name);
        AppendSafe(text);
    }
    EndElement(name);
}

void TXMLWriter::AppendSafe(std::wstring_view text) {
    // Most texts hold nothing to escape or remove: they go in whole.
    if (std::none_of(text.begin(), text.end(), needsCare)) {
        appendUtf8(out_, text);
        return;
    }
    escaped_.clear();
    forEachSafe(text, [this](wchar_t c) {
        switch (c) {
        case L'&': escaped_ += L"&amp;"; break;
        case L'<': escaped_ += L"&lt;"; break;
        case L'>': escaped_ += L"&gt;"; break;
        case L'\r': escaped_ += L"&#13;"; break;  // a parser would turn a bare CR into LF
        default: escaped_ += c; break;
        }
    });
    appendUtf8(out_, escaped_);
}

std::string TXMLWriter::Utf8() {
    out_ += "\r\n";
    return std::exchange(out_, std::string());
}

std::wstring TXMLWriter::XmlSafe(std::wstring_view text) {
    std::wstring safe;
    safe.reserve(text.size());
    forEachSafe(text, [&safe](wchar_t c) { safe += c; });
    return safe;
}

std::string toUtf8(std::wstring_view text) {
    std::string bytes;
    appendUtf8(bytes, text);
    return bytes;
}

std::wstring fromUtf8(std::string_view text) {
    if (text.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
    return result;
}
