// The JSON form's reading rules (its output and round trips: ModelCommandsTest).
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "CliRunner.h"
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

// Each line of the fixture: a JSON text, a tab, the message that refuses it.
TEST(ProjectJsonTest, BadValuesAreRefusedNamingTheField) {
    std::istringstream cases(foldcraft::test::Fixture("refused-json.txt"));
    int count = 0;
    for (std::string line; std::getline(cases, line); ++count)
        EXPECT_EQ(Refusal(line.substr(0, line.find('\t'))), line.substr(line.find('\t') + 1));
    EXPECT_EQ(count, 25);
    EXPECT_EQ(Refusal(std::string("{}\n \0 garbage", 13)),
              "not valid JSON: a NUL byte at line 2, column 2");
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
