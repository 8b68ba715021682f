// The JSON form's reading rules (info's output and the round trips are checked through
// the tool in ModelCommandsTest).
#include <gtest/gtest.h>

#include <string>

#include "cli/ProjectJson.h"
#include "model/FoldcraftDoc.h"

using foldcraft::cli::ProjectJson;
using Json = ProjectJson::Json;

namespace {

// The message FromText gives for text (empty when it is accepted).
std::string Refusal(const std::string& text) {
    CFoldcraftDoc doc;
    std::string error;
    if (ProjectJson::FromText(text, doc, error)) return {};
    // A refused conversion leaves an empty new project behind.
    EXPECT_TRUE(doc.m_pRoot->m_arrFolders.empty());
    EXPECT_TRUE(doc.m_pRoot->m_arrDocs.empty());
    EXPECT_EQ(doc.m_strTitle, "My Title");
    return error;
}

}  // namespace

TEST(ProjectJsonTest, Utf8CheckAgreesWithTheJsonWriter) {
    // Valid forms up to U+10FFFF, then overlong, surrogate, out-of-range and cut sequences.
    // clang-format off
    const std::string samples[] = {
        "plain", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xEF\xBF\xBF",
        "\xEE\x80\x80", "\xED\x9F\xBF", "\xC0\x80", "\xC1\xBF", "\xE0\x80\xAF", "\xE0\x9F\xBF",
        "\xED\xA0\x80", "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80",
        "\xF5\x80\x80\x80", "\xFF", "\x80", "\xC3", "\xE2\x82", "\xF0\x9F\x98", "a\xC3\xA9\xC3",
        "\xC3\x28", "\xE2\x28\xA1"};
    // clang-format on
    for (const std::string& sample : samples) {
        bool writerAccepts = true;
        try {
            (void)Json(sample).dump();
        } catch (const Json::exception&) {
            writerAccepts = false;
        }
        EXPECT_EQ(ProjectJson::IsValidUtf8(sample), writerAccepts)
            << Json(sample).dump(-1, ' ', true, Json::error_handler_t::replace);
    }
}

TEST(ProjectJsonTest, BadValuesAreRefusedNamingTheField) {
    const std::string int32 = "expected an integer from -2147483648 to 2147483647, got ";
    const std::string uint32 = "expected an integer from 0 to 4294967295, got ";
    const std::pair<std::string, std::string> cases[] = {
        {R"({"m_strTitle": {"hex": "4"}})",
         "m_strTitle.hex: expected an even number of hexadecimal digits"},
        {R"({"m_strTitle": {"hex": "4g"}})",
         "m_strTitle.hex: not a hexadecimal digit at position 1"},
        {R"({"m_strTitle": {"hex": 41}})", "m_strTitle.hex: expected a string, got an integer"},
        {R"({"m_strTitle": {"hex": "41", "more": 1}})",
         "m_strTitle: expected a string or {\"hex\": \"...\"}, got an object with other fields"},
        {R"({"m_nThumbWidth": true})", "m_nThumbWidth: " + int32 + "a boolean"},
        {R"({"m_pRoot": {"m_arrDocs": [{}, {"m_nFileSize": "12"}]}})",
         "m_pRoot.m_arrDocs[1].m_nFileSize: " + int32 + "a string"},
        {R"({"m_nThumbWidth": 2147483648})", "m_nThumbWidth: " + int32 + "2147483648"},
        {R"({"m_nThumbWidth": 1.5})",
         "m_nThumbWidth: " + int32 + "a number with a fraction or exponent"},
        {R"({"m_clrLink": -1})", "m_clrLink: " + uint32 + "-1"},
        {R"({"m_clrLink": 4294967296})", "m_clrLink: " + uint32 + "4294967296"},
        {R"({"m_timeLastPublish": -1})", "m_timeLastPublish: " + uint32 + "-1"},
        {R"({"m_pRoot": {"m_arrFolders": [{"m_arrHotspots": [{"m_arrCoords": [1, null]}]}]}})",
         "m_pRoot.m_arrFolders[0].m_arrHotspots[0].m_arrCoords[1]: " + int32 + "null"},
        {R"({"m_pRoot": {"m_arrDocs": {}}})",
         "m_pRoot.m_arrDocs: expected an array, got an object"},
        {R"({"m_pRoot": []})", "m_pRoot: expected an object, got an array"},
        {R"({"m_strTitle": null})", "m_strTitle: expected a string, got null"},
        {"[]", "(top level): expected an object, got an array"},
        {R"({"m_strTitel": "x"})", "m_strTitel: unknown field"},
        {R"({"m_pRoot": {"m_arrDocs": [{"m_strLabel": "x"}]}})",
         "m_pRoot.m_arrDocs[0].m_strLabel: unknown field"},
        {R"({"m_pRoot": {"m_arrDocs": [{"class": "CWebLink"}]}})",
         "m_pRoot.m_arrDocs[0].class: unknown class \"CWebLink\", expected \"CBuildTreeDoc\""},
        {R"({"m_pRoot": {"m_arrFolders": [{"class": "CBuildTreeDoc"}]}})",
         "m_pRoot.m_arrFolders[0].class: \"CBuildTreeDoc\" does not belong here, expected "
         "\"CBuildTreeFolder\""},
        {R"({"m_pRoot": {"class": "CBuildTreeDoc"}})",
         "m_pRoot.class: \"CBuildTreeDoc\" does not belong here, expected \"CBuildTreeFolder\""},
        {R"({"m_pRoot": {"m_arrHotspots": [{"class": 3}]}})",
         "m_pRoot.m_arrHotspots[0].class: expected a string, got an integer"},
        {R"({"m_pRoot": {"m_arrDocs": [{}]}, "m_pRoot": {}})", "m_pRoot: field given twice"},
        {R"({"m_pRoot": {"m_arrDocs": [{}, {"m_arrCoords": [[1], 2], "m_strName": "a",
             "m_strName": "b"}]}})",
         "m_pRoot.m_arrDocs[1].m_strName: field given twice"},
        {R"({"m_strTitle": {"hex": "41", "hex": "42"}})", "m_strTitle.hex: field given twice"},
        {std::string("{}\n \0 garbage", 13), "not valid JSON: a NUL byte at line 2, column 2"},
    };
    for (const auto& [json, message] : cases) EXPECT_EQ(Refusal(json), message) << json;
    // Text that is not JSON (which must itself be valid UTF-8): the parser's reason.
    for (const std::string text :
         {"", "{\"m_strTitle\": \"x\"", "{} {}", "{\"m_strTitle\": \"\xE9\"}"})
        EXPECT_TRUE(Refusal(text).starts_with("not valid JSON: ")) << text;
}

TEST(ProjectJsonTest, FolderDepthIsBoundedLikeTheProjectFile) {
    auto nested = [](int levels) {  // levels below the root
        std::string text = R"({"m_pRoot": {"m_arrFolders": [)";
        for (int i = 1; i < levels; ++i) text += R"({"m_arrFolders": [)";
        text += "{}";
        for (int i = 1; i < levels; ++i) text += "]}";
        return text + "]}}";
    };
    CFoldcraftDoc doc;
    std::string error;
    ASSERT_TRUE(ProjectJson::FromText(nested(ProjectJson::kMaxFolderDepth - 1), doc, error));
    EXPECT_EQ(doc.m_pRoot->CountItems(), static_cast<size_t>(ProjectJson::kMaxFolderDepth));
    error = Refusal(nested(ProjectJson::kMaxFolderDepth));
    EXPECT_NE(error.find("folders are nested deeper than 1000 levels"), std::string::npos)
        << error.substr(0, 200);
    // The path of the too-deep folder is shortened in the middle.
    EXPECT_EQ(error.rfind("m_pRoot.m_arrFolders[0].m_arrFolders[0]", 0), 0u);
    EXPECT_NE(error.find(" ... "), std::string::npos);
    EXPECT_LT(error.size(), 250u) << error.substr(0, 200);
}
