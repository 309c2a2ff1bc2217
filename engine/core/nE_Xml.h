#pragma once
// The one way into the XML parser. TinyXML reads past its buffer when a text
// ends inside a multi-byte UTF-8 sequence, and recurses once per nesting
// level; every loader therefore parses through here: the text is handed over
// padded with zero bytes, and a text nested deeper than nE_kXmlMaxDepth, or
// with an element of more than nE_kXmlMaxAttributes attributes (TinyXML
// checks each new attribute against all earlier ones, so their cost grows
// with the square of their number), is refused, before TinyXML sees it, with
// an "Error:" line.
//
// Every parse also keeps white space: TinyXML's condensing is one setting for
// the whole process, and Lua chunks need their line breaks (a "--" comment
// ends at one), so it is off while any text is parsed here, whatever the
// setting was; the setting itself is left as found.

#include <string>
#include <tinyxml.h>

// Far deeper than anything the program writes itself (game data stays below
// half of it), far shallower than what exhausts the stack.
constexpr int nE_kXmlMaxDepth = 1000;
// Several times the most any content has (an emitter of a particle file).
constexpr int nE_kXmlMaxAttributes = 256;

// Where a malformed text went wrong, counted from 1 as TinyXML counts.
struct nE_XmlPlace
{
    int row = 0;
    int col = 0;
};

enum class nE_XmlResult
{
    Ok,
    Missing,  // the file could not be read (nothing is logged)
    Refused,  // too deep or too many attributes: refused, and logged, before parsing
    Malformed // TinyXML's error is in the document (a text holding no element
              // at all included); the caller words it
};

// Reads and parses a file of the asset tree. Line ends are made "\n" as
// TinyXML's own file loader makes them. On Malformed, `errorPlace` (when
// given) gets where: TinyXML's own place, or, where TinyXML marks none
// (the text ran out inside an element, or held none), the text's end.
nE_XmlResult nE_XmlLoadFile(TiXmlDocument& doc, const std::string& path, nE_XmlPlace* errorPlace = nullptr);

// Parses text held in memory; `source` names it in the refusal line. The
// text ends at its first zero byte, as it always has for the parser.
nE_XmlResult nE_XmlParse(TiXmlDocument& doc, const std::string& text, const std::string& source,
                         nE_XmlPlace* errorPlace = nullptr);

// The deepest element nesting of the text, counted without recursion, as the
// parser would meet it (or deeper). Stops counting past `limit`.
int nE_XmlDepth(const std::string& text, int limit);
// The most attributes of one element, counted the same way.
int nE_XmlMostAttributes(const std::string& text, int limit);

// The whole file as bytes; false when it cannot be read.
bool nE_ReadWholeFile(const std::string& path, std::string& out);

// Number attributes of content files, read leniently as atoi and atof read
// them ("12px" is 12), but telling apart a value that is no finite number at
// all: no digits, "nan", "inf", or past the type's range. Such a value, and a
// missing attribute, leave `out` as it was.
enum class nE_XmlNumber
{
    Absent,
    Read,
    Bad
};
nE_XmlNumber nE_XmlReadInt(const TiXmlElement* element, const char* name, int& out);
nE_XmlNumber nE_XmlReadFloat(const TiXmlElement* element, const char* name, float& out);
// "\"name\" (line N) is not a finite number (\"text\")": the words for a Bad value.
std::string nE_XmlBadNumber(const TiXmlElement* element, const char* name);

// Appends a text-search hit to `report` (see nE_Object::FindText): an element
// named after the object, with "place" saying where the text was found.
void nE_AddFindReport(TiXmlElement* report, const std::string& name, const char* place);

// For files whose elements hold only elements: the words for the first text
// with more than white space in the tree (damaged bytes between the tags
// read as text), such as "stray text at line 7 (\"...\")"; "" when there is none.
std::string nE_XmlStrayText(const TiXmlElement* root);
