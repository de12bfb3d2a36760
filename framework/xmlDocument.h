// The XML document object over the MSXML 6 DOM (loading and reading), and a writer that emits a
// document in one pass (saving). Text is UTF-16 throughout; files are UTF-8.
#pragma once

#include "framework/component.h"

#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>

#include <string>
#include <string_view>

class TXMLNode {
public:
    TXMLNode() = default;
    explicit TXMLNode(Microsoft::WRL::ComPtr<IXMLDOMNode> node) : node_(std::move(node)) {}

    bool IsNull() const noexcept { return !node_; }
    std::wstring NodeName() const;
    DOMNodeType NodeType() const;
    // Children in document order, without text nodes of white space alone: the document reads
    // as if they had never been there.
    TXMLNode FirstChild() const;
    TXMLNode NextSibling() const;

    // The first child element of that exact name. A missing one is created empty, in memory only.
    TXMLNode ChildNamed(const std::wstring& name);
    // The text of an element with no content or with one text or CDATA node; anything else
    // fails with "Element does not contain a single text node".
    std::wstring Text() const;
    // The text as a Boolean: the system's conversion, then a decimal number (not zero is
    // true), then "True" or "False" in any letter case.
    bool BooleanValue() const;

private:
    bool NameIs(std::wstring_view name) const;
    bool IsBlankText() const;
    static TXMLNode SkipBlanks(Microsoft::WRL::ComPtr<IXMLDOMNode> node);

    Microsoft::WRL::ComPtr<IXMLDOMNode> node_;
};

class TXMLDocument : public TComponent {
public:
    using TComponent::TComponent;

    // Parses the file. False, with the document inactive, when it cannot be read or parsed, and
    // when it declares a document type: entity declarations are refused before any text is read.
    bool LoadFromFile(const std::wstring& path);
    bool Active() const noexcept { return static_cast<bool>(document_); }
    void Close() noexcept { document_.Reset(); }
    TXMLNode DocumentElement() const;

private:
    Microsoft::WRL::ComPtr<IXMLDOMDocument2> document_;
};

// Writes a document as UTF-8 text in one pass: the declaration, then elements and their text.
// Characters that XML 1.0 cannot hold never reach the output.
class TXMLWriter {
public:
    TXMLWriter();
    // Room for about this many bytes of output, to spare growing it piece by piece.
    void Reserve(size_t bytes) { out_.reserve(bytes); }
    void StartElement(std::wstring_view name);
    void EndElement(std::wstring_view name);
    void TextElement(std::wstring_view name, std::wstring_view text);
    // The document's bytes, handed over without a copy: the writer is left empty.
    std::string Utf8();

    // The text with every character that XML 1.0 cannot carry removed, and every unpaired
    // surrogate replaced by U+FFFD.
    static std::wstring XmlSafe(std::wstring_view text);

private:
    // Text that needs no escaping, as UTF-8.
    void Append(std::wstring_view text);
    // Any text, escaped where need be, as UTF-8.
    void AppendSafe(std::wstring_view text);

    std::string out_;
    std::wstring escaped_;  // kept between texts, so that its room is made once
};

std::string toUtf8(std::wstring_view text);
std::wstring fromUtf8(std::string_view text);
