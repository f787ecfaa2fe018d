// The administrative templates that ship with Vexa (policies/Vexa.admx and its texts in every
// language Vexa speaks, policies/<language>/Vexa.adml), read with the platform's XML reader:
// well-formed, every text the template names is in each language file, each language file is the
// US English one translated, and the policies set the registry values Vexa reads.
#include "app/UiLanguage.h"
#include "drives/PolicyNames.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const char kPolicyNamespace[] = "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions";

struct XmlElement {
    std::string name; // without its prefix
    std::string namespaceUri;
    std::map<std::string, std::string> attributes;
    std::string text;
    std::vector<XmlElement> children;

    // The children of that name, in document order.
    std::vector<const XmlElement*> All(const std::string& childName) const
    {
        std::vector<const XmlElement*> found;
        for (const XmlElement& child : children)
            if (child.name == childName)
                found.push_back(&child);
        return found;
    }

    // The one child of that name; an empty element when there is none.
    const XmlElement& One(const std::string& childName) const
    {
        static const XmlElement none;
        const std::vector<const XmlElement*> found = All(childName);
        return found.size() == 1 ? *found[0] : none;
    }

    std::string Attribute(const std::string& attribute) const
    {
        const auto found = attributes.find(attribute);
        return found == attributes.end() ? std::string() : found->second;
    }
};

std::string Utf8(const WCHAR* text, UINT length)
{
    if (length == 0)
        return std::string();
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &result[0], size, nullptr, nullptr);
    return result;
}

struct XmlDocument {
    bool wellFormed = false;
    std::string error; // why not
    XmlElement root;
};

// Reads a whole file with XmlLite, which rejects what is not well-formed XML.
XmlDocument ReadXml(const std::string& path)
{
    XmlDocument document;
    using CreateReader = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);
    HMODULE xmllite = ::LoadLibraryA("xmllite.dll");
    CreateReader create =
        xmllite == nullptr ? nullptr
                           : reinterpret_cast<CreateReader>(reinterpret_cast<void*>(::GetProcAddress(xmllite, "CreateXmlReader")));
    IStream* stream = nullptr;
    IXmlReader* reader = nullptr;
    if (create == nullptr) {
        document.error = "no XmlLite";
    } else if (FAILED(::SHCreateStreamOnFileA(path.c_str(), STGM_READ, &stream))) {
        document.error = "cannot open " + path;
    } else if (FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&reader), nullptr)) ||
               FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
               FAILED(reader->SetInput(stream))) {
        document.error = "cannot read " + path;
    } else {
        std::vector<XmlElement*> open;
        bool hasRoot = false;
        XmlNodeType type = XmlNodeType_None;
        HRESULT result = S_OK;
        while ((result = reader->Read(&type)) == S_OK) {
            const WCHAR* text = nullptr;
            UINT length = 0;
            if (type == XmlNodeType_Element) {
                XmlElement element;
                reader->GetLocalName(&text, &length);
                element.name = Utf8(text, length);
                reader->GetNamespaceUri(&text, &length);
                element.namespaceUri = Utf8(text, length);
                const bool empty = reader->IsEmptyElement() != FALSE;
                for (HRESULT more = reader->MoveToFirstAttribute(); more == S_OK;
                     more = reader->MoveToNextAttribute()) {
                    if (reader->IsDefault())
                        continue;
                    reader->GetLocalName(&text, &length);
                    const std::string name = Utf8(text, length);
                    reader->GetValue(&text, &length);
                    element.attributes[name] = Utf8(text, length);
                }
                reader->MoveToElement();
                XmlElement* added = nullptr;
                if (open.empty()) {
                    document.root = element;
                    hasRoot = true;
                    added = &document.root;
                } else {
                    open.back()->children.push_back(element);
                    added = &open.back()->children.back();
                }
                if (!empty)
                    open.push_back(added);
            } else if (type == XmlNodeType_EndElement) {
                open.pop_back();
            } else if ((type == XmlNodeType_Text || type == XmlNodeType_CDATA) && !open.empty()) {
                reader->GetValue(&text, &length);
                open.back()->text += Utf8(text, length);
            }
        }
        document.wellFormed = result == S_FALSE && hasRoot && open.empty();
        if (!document.wellFormed) {
            UINT line = 0;
            reader->GetLineNumber(&line);
            document.error = path + " is not well-formed XML (error " + std::to_string(result) + " at line " +
                             std::to_string(line) + ")";
        }
    }
    if (reader != nullptr)
        reader->Release();
    if (stream != nullptr)
        stream->Release();
    if (xmllite != nullptr)
        ::FreeLibrary(xmllite);
    return document;
}

XmlDocument Template()
{
    return ReadXml(VEXA_POLICIES_DIR "/Vexa.admx");
}

XmlDocument Texts(const std::string& language)
{
    return ReadXml(VEXA_POLICIES_DIR "/" + language + "/Vexa.adml");
}

// The languages of Vexa's user interface, named as the folders of PolicyDefinitions are
// ("en-US"), US English first.
std::vector<std::string> Languages()
{
    std::vector<std::string> names;
    for (const LANGID language : kUiLanguages) {
        WCHAR name[LOCALE_NAME_MAX_LENGTH] = {};
        const int length =
            ::LCIDToLocaleName(MAKELCID(language, SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0);
        names.push_back(Utf8(name, length > 1 ? static_cast<UINT>(length - 1) : 0));
    }
    return names;
}

// The folders beside the template.
std::set<std::string> LanguageFolders()
{
    std::set<std::string> folders;
    WIN32_FIND_DATAA found = {};
    HANDLE search = ::FindFirstFileA(VEXA_POLICIES_DIR "/*", &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(search, &found)) {
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != "." && name != "..")
            folders.insert(name);
    }
    if (search != INVALID_HANDLE_VALUE)
        ::FindClose(search);
    return folders;
}

// Compares a language file with the US English one, element by element: the same elements with
// the same attributes in the same order, and every text translated but the names, which stay.
void CompareWithEnglish(const XmlElement& english, const XmlElement& translated,
                        const std::string& path, std::vector<std::string>* faults)
{
    const std::string id = english.Attribute("id");
    const std::string here = path + "/" + english.name + (id.empty() ? "" : "[" + id + "]");
    if (english.name != translated.name || english.attributes != translated.attributes ||
        english.children.size() != translated.children.size()) {
        faults->push_back(here + " is not as in US English");
        return;
    }
    if (!english.text.empty()) {
        const bool name = english.text == "Vexa" || english.text == "Brindle Corporation";
        if (translated.text.empty())
            faults->push_back(here + " is empty");
        else if (name != (translated.text == english.text))
            faults->push_back(here + (name ? " changes a name" : " is not translated"));
    }
    for (std::size_t i = 0; i < english.children.size(); ++i)
        CompareWithEnglish(english.children[i], translated.children[i], here, faults);
}

// Every "$(kind.id)" reference in the attributes of the element and everything under it.
void CollectReferences(const XmlElement& element, const std::string& kind, std::set<std::string>* ids)
{
    const std::string start = "$(" + kind + ".";
    for (const auto& attribute : element.attributes) {
        const std::string& value = attribute.second;
        if (value.rfind(start, 0) == 0 && value.back() == ')')
            ids->insert(value.substr(start.size(), value.size() - start.size() - 1));
    }
    for (const XmlElement& child : element.children)
        CollectReferences(child, kind, ids);
}

// The ids of the language file's table ("stringTable" of "string", or "presentationTable" of
// "presentation"), each with its text.
std::map<std::string, std::string> Table(const XmlDocument& texts, const std::string& table,
                                         const std::string& entry)
{
    std::map<std::string, std::string> ids;
    for (const XmlElement* item : texts.root.One("resources").One(table).All(entry))
        ids[item->Attribute("id")] = item->text;
    return ids;
}

std::set<std::string> Names(const std::vector<const XmlElement*>& elements)
{
    std::set<std::string> names;
    for (const XmlElement* element : elements)
        names.insert(element->Attribute("name"));
    return names;
}

// The template and each language file are well-formed Group Policy definitions, the language
// file of a revision the template accepts and with every text and presentation it names.
TEST(PolicyTemplates, EachLanguageFileIsWellFormedAndHasEveryTextTheTemplateNames)
{
    const XmlDocument admx = Template();
    ASSERT_TRUE(admx.wellFormed) << admx.error;
    EXPECT_EQ("policyDefinitions", admx.root.name);
    EXPECT_EQ(kPolicyNamespace, admx.root.namespaceUri);
    std::set<std::string> strings;
    CollectReferences(admx.root, "string", &strings);
    EXPECT_FALSE(strings.empty());
    std::set<std::string> presentations;
    CollectReferences(admx.root, "presentation", &presentations);

    for (const std::string& language : Languages()) {
        SCOPED_TRACE(language);
        const XmlDocument adml = Texts(language);
        ASSERT_TRUE(adml.wellFormed) << adml.error;
        EXPECT_EQ("policyDefinitionResources", adml.root.name);
        EXPECT_EQ(kPolicyNamespace, adml.root.namespaceUri);
        EXPECT_EQ(admx.root.One("resources").Attribute("minRequiredRevision"),
                  adml.root.Attribute("revision"));
        const std::map<std::string, std::string> stringTable = Table(adml, "stringTable", "string");
        for (const std::string& id : strings) {
            SCOPED_TRACE("$(string." + id + ")");
            ASSERT_EQ(1u, stringTable.count(id)) << "not in the language file's string table";
            EXPECT_FALSE(stringTable.at(id).empty());
        }
        const std::map<std::string, std::string> presentationTable =
            Table(adml, "presentationTable", "presentation");
        for (const std::string& id : presentations)
            EXPECT_EQ(1u, presentationTable.count(id))
                << "$(presentation." << id << ") is not in the language file";
    }

    // What the policies refer to inside the template is defined there too.
    const XmlElement& policies = admx.root.One("policies");
    const std::set<std::string> categories = Names(admx.root.One("categories").All("category"));
    const std::set<std::string> supportedOn =
        Names(admx.root.One("supportedOn").One("definitions").All("definition"));
    for (const XmlElement* policy : policies.All("policy")) {
        SCOPED_TRACE(policy->Attribute("name"));
        EXPECT_EQ(1u, categories.count(policy->One("parentCategory").Attribute("ref")));
        EXPECT_EQ(1u, supportedOn.count(policy->One("supportedOn").Attribute("ref")));
    }
}

// Every language Vexa speaks has its texts, in a folder of the language's name, and nothing else
// is there. Each is the US English file translated: the same string and presentation ids, the
// same shape, no text left empty or in English, and the names of the product and the company
// kept.
TEST(PolicyTemplates, EveryLanguageVexaSpeaksHasTheUsEnglishTextsTranslated)
{
    const std::vector<std::string> languages = Languages();
    EXPECT_EQ(std::set<std::string>(languages.begin(), languages.end()), LanguageFolders());

    const XmlDocument english = Texts("en-US");
    ASSERT_TRUE(english.wellFormed) << english.error;
    for (const std::string& language : languages) {
        if (language == "en-US")
            continue;
        const XmlDocument translated = Texts(language);
        ASSERT_TRUE(translated.wellFormed) << translated.error;
        std::vector<std::string> faults;
        CompareWithEnglish(english.root, translated.root, language, &faults);
        std::string list;
        for (const std::string& fault : faults)
            list += "\n  " + fault;
        EXPECT_TRUE(faults.empty()) << list;
    }
}

TEST(PolicyTemplates, PoliciesSetTheValuesVexaReadsForMachinesAndUsers)
{
    const XmlDocument admx = Template();
    ASSERT_TRUE(admx.wellFormed) << admx.error;

    std::set<std::string> valueNames;
    for (const XmlElement* policy : admx.root.One("policies").All("policy")) {
        SCOPED_TRACE(policy->Attribute("name"));
        EXPECT_EQ(kPolicyKey, policy->Attribute("key"));
        EXPECT_EQ("Both", policy->Attribute("class"));
        const XmlElement& choice = policy->One("elements").One("enum");
        if (!choice.name.empty()) {
            // Enabled writes the DWORD of the item chosen: a language Vexa speaks, each once.
            valueNames.insert(choice.Attribute("valueName"));
            std::vector<std::string> offered;
            for (const XmlElement* item : choice.All("item"))
                offered.push_back(item->One("value").One("decimal").Attribute("value"));
            std::vector<std::string> spoken;
            for (const LANGID language : kUiLanguages)
                spoken.push_back(std::to_string(language));
            EXPECT_EQ(spoken, offered);
            continue;
        }
        valueNames.insert(policy->Attribute("valueName"));
        // Enabled writes the DWORD 1, disabled the DWORD 0; not configured removes the value.
        EXPECT_EQ("1", policy->One("enabledValue").One("decimal").Attribute("value"));
        EXPECT_EQ("0", policy->One("disabledValue").One("decimal").Attribute("value"));
    }
    EXPECT_EQ((std::set<std::string>{kPolicyLockAllDrives, kPolicyRunAtStartup, kPolicyEjectNotice,
                                     kPolicyLanguage}),
              valueNames);
}

} // namespace
