// Saved XML into a Lua table and back: once read, the table's XML reads back
// to the same entries (table order aside).
#include "engine/core/nE_LuaXml.h"
#include "fuzz_support.h"

#include <algorithm>

namespace
{
// The element with its attributes and, sorted, its children's forms.
std::string Canonical(const TiXmlElement& element)
{
    std::string out = element.ValueStr();
    for (const TiXmlAttribute* a = element.FirstAttribute(); a; a = a->Next())
        out += " " + a->NameTStr() + "=" + a->ValueStr();
    std::vector<std::string> children;
    for (const TiXmlElement* c = element.FirstChildElement(); c; c = c->NextSiblingElement())
        children.push_back(Canonical(*c));
    std::sort(children.begin(), children.end());
    out += "{";
    for (const std::string& c : children)
        out += c + ";";
    return out + "}";
}

// The XML of the table filled from `element` (merging into the table on the stack or not).
std::string RoundTrip(const TiXmlElement* element, lua_State* L, bool merge)
{
    if (merge)
        nE_XmlToLuaTableRecursive(element, L);
    else
        nE_XmlToLuaTable(element, L);
    std::unique_ptr<TiXmlElement> out = nE_LuaTableToXml("data", L);
    if (!out) return std::string();
    TiXmlPrinter printer;
    out->Accept(&printer);
    return printer.Str();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static lua_State* L = fuzz::BoundedLua();
    const std::string text(reinterpret_cast<const char*>(data), size);
    TiXmlDocument doc;
    doc.Parse(text.c_str());
    const TiXmlElement* root = doc.Error() ? nullptr : doc.RootElement();
    if (!root) return 0;
    lua_newtable(L);
    const std::string first = RoundTrip(root, L, size % 2 == 1);
    TiXmlDocument again;
    again.Parse(first.c_str());
    lua_newtable(L);
    const std::string second = again.RootElement() ? RoundTrip(again.RootElement(), L, false) : std::string();
    TiXmlDocument a, b;
    a.Parse(first.c_str());
    b.Parse(second.c_str());
    if (!a.RootElement() != !b.RootElement() ||
        (a.RootElement() && Canonical(*a.RootElement()) != Canonical(*b.RootElement())))
        std::abort();
    lua_settop(L, 0);
    return 0;
}
