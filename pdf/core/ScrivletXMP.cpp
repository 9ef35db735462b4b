#include "pdf/core/ScrivletXMP.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstring>

#include "platform/os/SharedLibrary.h"

namespace parch {

namespace {

constexpr const char* kMetaNamespace = "adobe:ns:meta/";
constexpr const char* kRdfNamespace = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
constexpr const char* kDcNamespace = "http://purl.org/dc/elements/1.1/";
constexpr const char* kXmpNamespace = "http://ns.adobe.com/xap/1.0/";
constexpr const char* kPdfNamespace = "http://ns.adobe.com/pdf/1.3/";
constexpr std::size_t kPaddingSize = 1024;
// Larger packets are not metadata we could sensibly rewrite.
constexpr std::size_t kMaxPacketSize = std::size_t{16} << 20;

// libxml2, loaded when a packet is first read or written: documents are mostly opened without
// touching their metadata. Every member is nullptr when the library cannot be loaded.
struct XmlFunctions {
    decltype(&xmlAddChild) AddChild = nullptr;
    decltype(&xmlAddNextSibling) AddNextSibling = nullptr;
    decltype(&xmlDocDumpFormatMemoryEnc) DocDumpFormatMemoryEnc = nullptr;
    decltype(&xmlDocGetRootElement) DocGetRootElement = nullptr;
    decltype(&xmlDocSetRootElement) DocSetRootElement = nullptr;
    decltype(&xmlFreeDoc) FreeDoc = nullptr;
    decltype(&xmlFreeNode) FreeNode = nullptr;
    decltype(&xmlNewChild) NewChild = nullptr;
    decltype(&xmlNewDoc) NewDoc = nullptr;
    decltype(&xmlNewDocNode) NewDocNode = nullptr;
    decltype(&xmlNewDocPI) NewDocPI = nullptr;
    decltype(&xmlNewNs) NewNs = nullptr;
    decltype(&xmlNewTextChild) NewTextChild = nullptr;
    decltype(&xmlNodeAddContent) NodeAddContent = nullptr;
    decltype(&xmlNodeSetLang) NodeSetLang = nullptr;
    decltype(&xmlReadMemory) ReadMemory = nullptr;
    decltype(&xmlSearchNsByHref) SearchNsByHref = nullptr;
    decltype(&xmlSetNs) SetNs = nullptr;
    decltype(&xmlUnlinkNode) UnlinkNode = nullptr;
    xmlFreeFunc* FreeFunction = nullptr;  // the library's deallocator, a variable

    bool Complete() const {
        return AddChild && AddNextSibling && DocDumpFormatMemoryEnc && DocGetRootElement && DocSetRootElement && FreeDoc && FreeNode && NewChild && NewDoc && NewDocNode && NewDocPI && NewNs && NewTextChild && NodeAddContent && NodeSetLang && ReadMemory && SearchNsByHref && SetNs && UnlinkNode && FreeFunction;
    }
};

XmlFunctions LoadXml() {
    XmlFunctions f;
    void* library = OpenSharedLibrary("libxml2.so.2");
    if (!library) return f;
#define PARCH_LIBXML(symbol, member) f.member = SharedLibraryFunction<decltype(symbol)>(library, #symbol)
    PARCH_LIBXML(xmlAddChild, AddChild);
    PARCH_LIBXML(xmlAddNextSibling, AddNextSibling);
    PARCH_LIBXML(xmlDocDumpFormatMemoryEnc, DocDumpFormatMemoryEnc);
    PARCH_LIBXML(xmlDocGetRootElement, DocGetRootElement);
    PARCH_LIBXML(xmlDocSetRootElement, DocSetRootElement);
    PARCH_LIBXML(xmlFreeDoc, FreeDoc);
    PARCH_LIBXML(xmlFreeNode, FreeNode);
    PARCH_LIBXML(xmlNewChild, NewChild);
    PARCH_LIBXML(xmlNewDoc, NewDoc);
    PARCH_LIBXML(xmlNewDocNode, NewDocNode);
    PARCH_LIBXML(xmlNewDocPI, NewDocPI);
    PARCH_LIBXML(xmlNewNs, NewNs);
    PARCH_LIBXML(xmlNewTextChild, NewTextChild);
    PARCH_LIBXML(xmlNodeAddContent, NodeAddContent);
    PARCH_LIBXML(xmlNodeSetLang, NodeSetLang);
    PARCH_LIBXML(xmlReadMemory, ReadMemory);
    PARCH_LIBXML(xmlSearchNsByHref, SearchNsByHref);
    PARCH_LIBXML(xmlSetNs, SetNs);
    PARCH_LIBXML(xmlUnlinkNode, UnlinkNode);
#undef PARCH_LIBXML
    f.FreeFunction = static_cast<xmlFreeFunc*>(SharedLibrarySymbol(library, "xmlFree"));
    return f.Complete() ? f : XmlFunctions{};
}

const XmlFunctions& Xml() {
    static const XmlFunctions functions = LoadXml();
    return functions;
}

const xmlChar* X(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

std::string NamespaceOf(std::string_view prefix) {
    if (prefix == "dc") return kDcNamespace;
    if (prefix == "xmp") return kXmpNamespace;
    return kPdfNamespace;
}

bool IsElement(const xmlNode* node, const char* namespaceName, const char* localName) {
    return node && node->type == XML_ELEMENT_NODE && node->ns && node->ns->href &&
           std::strcmp(reinterpret_cast<const char*>(node->ns->href), namespaceName) == 0 &&
           std::strcmp(reinterpret_cast<const char*>(node->name), localName) == 0;
}

xmlNode* FirstChild(xmlNode* parent, const char* namespaceName, const char* localName) {
    for (xmlNode* child = parent ? parent->children : nullptr; child; child = child->next)
        if (IsElement(child, namespaceName, localName)) return child;
    return nullptr;
}

bool DeclaresNamespace(const xmlNode* element, const std::string& namespaceName) {
    for (const xmlNs* ns = element->nsDef; ns; ns = ns->next)
        if (ns->prefix && ns->href && namespaceName == reinterpret_cast<const char*>(ns->href))
            return true;
    return false;
}

std::string Digits(std::string_view text, std::size_t& position, std::size_t count) {
    std::string digits;
    while (digits.size() < count && position < text.size() && text[position] >= '0' &&
           text[position] <= '9')
        digits += text[position++];
    return digits.size() == count ? digits : std::string();
}

}  // namespace

std::string PDFDateToXMPDate(std::string_view date) {
    if (date.substr(0, 2) != "D:") return std::string(date);
    std::size_t p = 2;
    const std::string year = Digits(date, p, 4);
    if (year.empty()) return std::string(date);
    std::string result = year;
    const std::string month = Digits(date, p, 2);
    if (month.empty()) return result;
    result += "-" + month;
    const std::string day = Digits(date, p, 2);
    if (day.empty()) return result;
    result += "-" + day;
    const std::string hour = Digits(date, p, 2);
    const std::string minute = hour.empty() ? std::string() : Digits(date, p, 2);
    if (minute.empty()) return result;
    result += "T" + hour + ":" + minute;
    const std::string second = Digits(date, p, 2);
    if (!second.empty()) result += ":" + second;
    if (p >= date.size()) return result;  // no zone: local time
    const char sign = date[p++];
    if (sign == 'Z') return result + "Z";
    if (sign != '+' && sign != '-') return result;
    const std::string zoneHours = Digits(date, p, 2);
    if (zoneHours.empty()) return result;
    if (p < date.size() && date[p] == '\'') ++p;
    std::string zoneMinutes = Digits(date, p, 2);
    if (zoneMinutes.empty()) zoneMinutes = "00";
    return result + sign + zoneHours + ":" + zoneMinutes;
}

namespace {

// The order in which a new packet writes its properties (TScrivletXMP::WriteEveryProperty).
std::vector<TXMPProperty> FreshProperties() {
    return {{"dc", "format", "application/pdf"}, {"dc", "creator", {}},       {"dc", "description", {}},
            {"dc", "title", {}},                {"xmp", "CreatorTool", {}},  {"xmp", "CreateDate", {}},
            {"xmp", "ModifyDate", {}},          {"pdf", "Keywords", {}},     {"pdf", "Producer", {}}};
}

bool IsPlainValue(std::string_view value) {
    if (value.empty()) return false;
    for (char c : value)
        if (c < 0x20 || c > 0x7E || c == '<' || c == '>' || c == '&' || c == '"') return false;
    return true;
}

// One property as the tree's formatted output writes it, at the indentation of its description.
void WriteFreshProperty(std::string& out, const TXMPProperty& property) {
    const std::string name = std::string(property.Prefix) + ":" + std::string(property.LocalName);
    const bool bag = property.Prefix == "dc" && property.LocalName == "creator";
    const bool alternative =
        property.Prefix == "dc" && (property.LocalName == "title" || property.LocalName == "description");
    if (!bag && !alternative) {
        out += "      <" + name + (property.Value.empty() ? "/>\n" : ">" + property.Value + "</" + name + ">\n");
        return;
    }
    const std::string container = bag ? "rdf:Bag" : "rdf:Alt";
    const std::string item = bag ? "rdf:li" : "rdf:li xml:lang=\"x-default\"";
    out += "      <" + name + ">\n        <" + container + ">\n          <" + item;
    out += property.Value.empty() ? "/>\n" : ">" + property.Value + "</rdf:li>\n";
    out += "        </" + container + ">\n      </" + name + ">\n";
}

}  // namespace

std::string FreshPacketText(const std::vector<TXMPProperty>& properties) {
    std::vector<TXMPProperty> order = FreshProperties();
    for (std::size_t i = 0; i < properties.size(); ++i) {
        const TXMPProperty& set = properties[i];
        if (!IsPlainValue(set.Value)) return {};
        for (std::size_t j = 0; j < i; ++j)
            if (properties[j].Prefix == set.Prefix && properties[j].LocalName == set.LocalName) return {};
        // Setting a property replaces its element by a new last one.
        const auto found = std::find_if(order.begin(), order.end(), [&](const TXMPProperty& p) {
            return p.Prefix == set.Prefix && p.LocalName == set.LocalName;
        });
        if (found == order.end() || found->LocalName == "format") return {};
        order.erase(found);
        order.push_back({set.Prefix, set.LocalName, set.Value});
    }
    std::string out = "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n";
    out += "<x:xmpmeta xmlns:x=\"" + std::string(kMetaNamespace) + "\">\n";
    out += "  <rdf:RDF xmlns:rdf=\"" + std::string(kRdfNamespace) + "\">\n";
    for (std::string_view prefix : {"dc", "xmp", "pdf"}) {
        out += "    <rdf:Description xmlns:" + std::string(prefix) + "=\"" + NamespaceOf(prefix) + "\">\n";
        for (const TXMPProperty& property : order)
            if (property.Prefix == prefix) WriteFreshProperty(out, property);
        out += "    </rdf:Description>\n";
    }
    out += "  </rdf:RDF>\n</x:xmpmeta>\n";
    out += std::string(kPaddingSize - 1, ' ') + "\n<?xpacket end=\"w\"?>\n";
    return out;
}

struct TScrivletXMP::Tree {
    xmlDoc* Document = nullptr;
    xmlNode* XmpMeta = nullptr;
    xmlNode* RdfRoot = nullptr;

    ~Tree() { Free(); }
    void Free() {
        if (Document) Xml().FreeDoc(Document);
        Document = nullptr;
        XmpMeta = RdfRoot = nullptr;
    }
};

TScrivletXMP::TScrivletXMP() : tree_(std::make_unique<Tree>()) { NewPacket(); }

TScrivletXMP::~TScrivletXMP() = default;

void TScrivletXMP::Reset() {
    Title.clear();
    Creator.clear();
    Description.clear();
    Keywords.clear();
    CreatorTool.clear();
    Producer.clear();
    CreateDate.clear();
    ModifyDate.clear();
    tree_->Free();
    tree_->Document = Xml().Complete() ? Xml().NewDoc(X("1.0")) : nullptr;
    Unavailable = tree_->Document == nullptr;
}

void TScrivletXMP::NewPacket() {
    Reset();
    if (Unavailable) return;
    xmlDoc* document = tree_->Document;
    xmlNode* begin = Xml().NewDocPI(document, X("xpacket"),
                                 X("begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\""));
    xmlNode* meta = Xml().NewDocNode(document, nullptr, X("xmpmeta"), nullptr);
    xmlNode* end = Xml().NewDocPI(document, X("xpacket"), X("end=\"w\""));
    if (!begin || !meta || !end) {
        Unavailable = true;
        return;
    }
    Xml().SetNs(meta, Xml().NewNs(meta, X(kMetaNamespace), X("x")));
    Xml().AddChild(reinterpret_cast<xmlNode*>(document), begin);
    Xml().DocSetRootElement(document, meta);
    Xml().AddNextSibling(meta, end);
    xmlNode* rdf = Xml().NewChild(meta, nullptr, X("RDF"), nullptr);
    Xml().SetNs(rdf, Xml().NewNs(rdf, X(kRdfNamespace), X("rdf")));
    tree_->XmpMeta = meta;
    tree_->RdfRoot = rdf;
    WriteEveryProperty();
}

void TScrivletXMP::WriteEveryProperty() {
    SetProperty("dc", "format", "application/pdf");
    SetProperty("dc", "creator", Creator);
    SetProperty("dc", "description", Description);
    SetProperty("dc", "title", Title);
    SetProperty("xmp", "CreatorTool", CreatorTool);
    SetProperty("xmp", "CreateDate", CreateDate);
    SetProperty("xmp", "ModifyDate", ModifyDate);
    SetProperty("pdf", "Keywords", Keywords);
    SetProperty("pdf", "Producer", Producer);
}

void TScrivletXMP::Load(std::string_view packet) {
    Reset();
    if (Unavailable) return;
    if (packet.empty()) {
        NewPacket();
        return;
    }
    if (packet.size() > kMaxPacketSize) return;
    tree_->Free();
    tree_->Document = Xml().ReadMemory(packet.data(), static_cast<int>(packet.size()), nullptr, "UTF-8",
                                    XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR |
                                        XML_PARSE_NOWARNING);
    if (!tree_->Document) return;  // stays empty
    xmlNode* root = Xml().DocGetRootElement(tree_->Document);
    if (!IsElement(root, kMetaNamespace, "xmpmeta")) {
        NewPacket();
        return;
    }
    tree_->XmpMeta = root;
    tree_->RdfRoot = FirstChild(root, kRdfNamespace, "RDF");
    if (!tree_->RdfRoot) {
        tree_->RdfRoot = Xml().NewChild(root, nullptr, X("RDF"), nullptr);
        if (tree_->RdfRoot) Xml().SetNs(tree_->RdfRoot, Xml().NewNs(tree_->RdfRoot, X(kRdfNamespace), X("rdf")));
    }
    for (xmlNode* description = tree_->RdfRoot ? tree_->RdfRoot->children : nullptr; description;
         description = description->next) {
        if (!IsElement(description, kRdfNamespace, "Description")) continue;
        xmlNode* bag = FirstChild(FirstChild(description, kDcNamespace, "creator"), kRdfNamespace, "Bag");
        xmlNode* item = FirstChild(bag, kRdfNamespace, "li");
        if (item && item->children && item->children->content) {
            Creator = reinterpret_cast<const char*>(item->children->content);
            break;
        }
    }
}

std::string TScrivletXMP::Save() const {
    if (Unavailable || !tree_->Document || !Xml().DocGetRootElement(tree_->Document)) return {};
    xmlChar* buffer = nullptr;
    int size = 0;
    Xml().DocDumpFormatMemoryEnc(tree_->Document, &buffer, &size, "UTF-8", 1);
    if (!buffer) return {};
    std::string text(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(size));
    (*Xml().FreeFunction)(buffer);
    if (text.rfind("<?xml", 0) == 0) {
        // The declaration goes; a packet without its xpacket wrapper keeps its elements.
        std::size_t begin = text.find("<?xpacket");
        if (begin == std::string::npos) {
            begin = text.find("?>");
            begin = begin == std::string::npos ? text.size() : text.find_first_not_of("\r\n", begin + 2);
        }
        text.erase(0, begin == std::string::npos ? text.size() : begin);
    }
    const std::size_t end = text.rfind("<?xpacket end=");
    if (end != std::string::npos && end > 0)
        text.insert(end, std::string(kPaddingSize - 1, ' ') + "\n");
    return text;
}

void TScrivletXMP::SetProperty(std::string_view prefix, std::string_view localName,
                               const std::string& value) {
    if (Unavailable || !tree_->RdfRoot) return;
    const std::string namespaceName = NamespaceOf(prefix);
    const std::string prefixText(prefix);
    const std::string name(localName);

    xmlNode* description = nullptr;
    for (xmlNode* node = tree_->RdfRoot->children; node; node = node->next)
        if (IsElement(node, kRdfNamespace, "Description") && DeclaresNamespace(node, namespaceName))
            description = node;
    if (!description) {
        description = Xml().NewChild(tree_->RdfRoot, tree_->RdfRoot->ns, X("Description"), nullptr);
        if (!description) return;
        Xml().NewNs(description, X(namespaceName.c_str()), X(prefixText.c_str()));
    }
    xmlNs* ns = Xml().SearchNsByHref(tree_->Document, description, X(namespaceName.c_str()));
    if (!ns) ns = Xml().NewNs(description, X(namespaceName.c_str()), X(prefixText.c_str()));

    if (xmlNode* old = FirstChild(description, namespaceName.c_str(), name.c_str())) {
        Xml().UnlinkNode(old);
        Xml().FreeNode(old);
    }
    xmlNode* property = Xml().NewChild(description, ns, X(name.c_str()), nullptr);
    if (!property) return;
    xmlNs* rdf = tree_->RdfRoot->ns;
    const bool bag = prefix == "dc" && localName == "creator";
    const bool alternative = prefix == "dc" && (localName == "title" || localName == "description");
    if (bag || alternative) {
        xmlNode* container = Xml().NewChild(property, rdf, X(bag ? "Bag" : "Alt"), nullptr);
        xmlNode* item = container ? Xml().NewTextChild(container, rdf, X("li"), X(value.c_str())) : nullptr;
        if (item && alternative) Xml().NodeSetLang(item, X("x-default"));
    } else {
        Xml().NodeAddContent(property, X(value.c_str()));
    }
}

void TScrivletXMP::Assign(std::string& stored, std::string_view prefix, std::string_view localName,
                          const std::string& value) {
    if (Unavailable || value == stored) return;
    stored = value;
    SetProperty(prefix, localName, value);
}

void TScrivletXMP::SetTitle(const std::string& value) { Assign(Title, "dc", "title", value); }
void TScrivletXMP::SetCreator(const std::string& value) { Assign(Creator, "dc", "creator", value); }
void TScrivletXMP::SetDescription(const std::string& value) {
    Assign(Description, "dc", "description", value);
}
void TScrivletXMP::SetKeywords(const std::string& value) { Assign(Keywords, "pdf", "Keywords", value); }
void TScrivletXMP::SetCreatorTool(const std::string& value) {
    Assign(CreatorTool, "xmp", "CreatorTool", value);
}
void TScrivletXMP::SetProducer(const std::string& value) { Assign(Producer, "pdf", "Producer", value); }
void TScrivletXMP::SetCreateDate(const std::string& value) {
    Assign(CreateDate, "xmp", "CreateDate", PDFDateToXMPDate(value));
}
void TScrivletXMP::SetModifyDate(const std::string& value) {
    Assign(ModifyDate, "xmp", "ModifyDate", PDFDateToXMPDate(value));
}

}  // namespace parch
