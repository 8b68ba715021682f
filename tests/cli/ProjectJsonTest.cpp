#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "cli/ProjectJson.h"
#include "model/Clock.h"
#include "model/FoldcraftDoc.h"

using foldcraft::ScopedClockPin;
using foldcraft::cli::ProjectJson;
using Json = ProjectJson::Json;

namespace {

constexpr foldcraft::Time kNow = 1'700'000'000;

// A project that uses every kind of field: nested folders, documents, a web link,
// hotspots of each shape, non-default settings and a text in a legacy code page.
void FillSample(CFoldcraftDoc& doc) {
    doc.OnNewDocument();
    doc.m_bNeverSaved = 0;
    doc.m_timeLastPublish = 1'600'000'000;
    doc.m_bShowFileSize = 1;
    doc.m_nNavBarPosition = 2;
    doc.m_nThumbWidth = 64;
    doc.m_strTitle = "Caf\xC3\xA9 \xE2\x82\xAC site";    // UTF-8
    doc.m_strComments = std::string("Caf\xE9 \x80", 6);  // Windows-1252 bytes
    doc.m_strHeader = std::string("nul\0inside", 10);    // an embedded NUL
    doc.m_clrLink = 0x00123456;
    doc.m_clrVisitedLink = 0xFFFFFFFF;
    doc.m_nPublishMethod = 1;
    doc.m_strPublishPath = "/srv/www/site";
    CBuildTreeFolder& root = *doc.m_pRoot;
    root.m_strLabel = "Start";
    auto* reports =
        root.AddFolder(std::make_unique<CBuildTreeFolder>("Reports", "(folder)", "Yearly"));
    reports->m_nFolderButtonStyle = 3;
    reports->m_nFileButtonGraphic = 6;
    reports->m_bHotspotFolder = 1;
    reports->m_strHotspotImage = "/home/u/map.gif";
    reports->m_bShowContentsFor = 1;
    auto* inner = reports->AddFolder(std::make_unique<CBuildTreeFolder>("2026", "(folder)", ""));
    auto* pdf = inner->AddDoc(
        std::make_unique<CBuildTreeDoc>("Summary.pdf", "/home/u/Summary.pdf", "final"));
    pdf->m_nFileSize = 12345;
    pdf->m_timeFile = 1'500'000'000;
    pdf->m_bPurge = 1;
    pdf->m_timePurge = 1'800'000'000;
    pdf->m_bVisible = 0;
    reports->AddDoc(std::make_unique<CBuildTreeDoc>("Web", "http://example.com/", ""));
    auto rect = std::make_unique<CHotspotArea>();
    rect->m_strLink = "2026 (Folder 1)";
    rect->SetRect(-5, 0, 10, 20);
    reports->AddHotspot(std::move(rect));
    auto poly = std::make_unique<CHotspotArea>();
    poly->m_nShape = CHotspotArea::kPolygon;
    poly->m_strLink = "Web (http://example.com/)";
    for (int i = 0; i < 5; ++i) poly->AddPoint(i * 10, -i);
    reports->AddHotspot(std::move(poly));
    root.AddDoc(std::make_unique<CBuildTreeDoc>("Mail", "mailto:a@example.com", ""));
}

std::string Convert(const std::string& text, CFoldcraftDoc& doc) {
    std::string error;
    EXPECT_TRUE(ProjectJson::FromText(text, doc, error)) << error;
    return error;
}

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

TEST(ProjectJsonTest, NewProjectShowsEveryFieldByName) {
    ScopedClockPin pin(kNow);
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    const Json json = ProjectJson::ToJson(doc);
    EXPECT_EQ(json["m_bNeverSaved"], 1);
    EXPECT_EQ(json["m_timeLastPublish"], kNow);
    EXPECT_EQ(json["m_strFont"], "Arial, Helvetica, sans-serif");
    EXPECT_EQ(json["m_clrLink"], 0xFF0000);
    const Json& root = json["m_pRoot"];
    EXPECT_EQ(root["class"], "CBuildTreeFolder");
    EXPECT_EQ(root["m_strName"], "Root");
    EXPECT_EQ(root["m_timePurge"], kNow + 31'536'000);
    for (const char* list : {"m_arrFolders", "m_arrDocs", "m_arrHotspots"})
        EXPECT_EQ(root[list], Json::array()) << list;
    // 28 document fields and the root.
    EXPECT_EQ(json.size(), 29u);
    // class + 9 item fields + 8 folder fields + 3 lists.
    EXPECT_EQ(root.size(), 21u);
    EXPECT_FALSE(json.contains("m_arrPublishFiles"));
}

TEST(ProjectJsonTest, TreeAndHotspotsAreShownInOrder) {
    CFoldcraftDoc doc;
    FillSample(doc);
    const Json json = ProjectJson::ToJson(doc);
    const Json& reports = json["m_pRoot"]["m_arrFolders"][0];
    EXPECT_EQ(reports["m_strName"], "Reports");
    EXPECT_EQ(reports["m_nFolderButtonStyle"], 3);
    EXPECT_EQ(reports["m_arrFolders"][0]["m_arrDocs"][0]["class"], "CBuildTreeDoc");
    EXPECT_EQ(reports["m_arrFolders"][0]["m_arrDocs"][0]["m_nFileSize"], 12345);
    EXPECT_EQ(reports["m_arrDocs"][0]["m_strLink"], "http://example.com/");
    EXPECT_FALSE(reports["m_arrDocs"][0].contains("m_arrFolders"));
    const Json& hotspots = reports["m_arrHotspots"];
    ASSERT_EQ(hotspots.size(), 2u);
    EXPECT_EQ(hotspots[0]["class"], "CHotspotArea");
    EXPECT_EQ(hotspots[0]["m_nShape"], 0);
    EXPECT_EQ(hotspots[0]["m_arrCoords"], Json::parse("[-5, 0, 10, 20]"));
    EXPECT_EQ(hotspots[1]["m_arrCoords"].size(), 10u);
    EXPECT_EQ(json["m_clrVisitedLink"], 4294967295u);
}

TEST(ProjectJsonTest, RoundTripKeepsEveryByte) {
    CFoldcraftDoc doc;
    FillSample(doc);
    const std::string first = ProjectJson::ToText(doc);
    CFoldcraftDoc back;
    Convert(first, back);
    EXPECT_EQ(ProjectJson::ToText(back), first);
    EXPECT_EQ(back.m_strComments, doc.m_strComments);
    EXPECT_EQ(back.m_strHeader, doc.m_strHeader);
    EXPECT_EQ(back.m_pRoot->m_arrFolders[0]->m_arrFolders[0]->m_arrDocs[0]->m_timePurge,
              1'800'000'000);
    EXPECT_FALSE(back.IsModified());
}

TEST(ProjectJsonTest, TextsThatAreNotUtf8AreWrittenAsHex) {
    CFoldcraftDoc doc;
    FillSample(doc);
    const Json json = ProjectJson::ToJson(doc);
    EXPECT_EQ(json["m_strComments"], Json::parse(R"({"hex": "436166e92080"})"));
    EXPECT_EQ(json["m_strTitle"], "Caf\xC3\xA9 \xE2\x82\xAC site");
    EXPECT_EQ(json["m_strHeader"], std::string("nul\0inside", 10));
    // The text is plain JSON that any parser reads.
    const std::string text = ProjectJson::ToText(doc);
    EXPECT_NE(text.find("\"hex\": \"436166e92080\""), std::string::npos);
    EXPECT_NE(text.find("nul\\u0000inside"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
}

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

TEST(ProjectJsonTest, HexFormAndSwitchesAreAccepted) {
    CFoldcraftDoc doc;
    Convert(R"({"m_strTitle": {"hex": "41FF42"}, "m_pRoot": {"m_strName": {"hex": ""}},
                "m_bCreateSitemap": false, "m_bShowFileDate": true, "m_bUseThumbnails": 7})",
            doc);
    EXPECT_EQ(doc.m_strTitle, std::string("A\xFF") + "B");
    EXPECT_EQ(doc.m_pRoot->m_strName, "");
    // Switches take booleans and keep other integers as they are.
    EXPECT_EQ(doc.m_bCreateSitemap, 0);
    EXPECT_EQ(doc.m_bShowFileDate, 1);
    EXPECT_EQ(doc.m_bUseThumbnails, 7);
}

TEST(ProjectJsonTest, MissingFieldsTakeNewValues) {
    ScopedClockPin pin(kNow);
    CFoldcraftDoc expected;
    expected.OnNewDocument();
    CFoldcraftDoc doc;
    Convert("{}", doc);
    EXPECT_EQ(ProjectJson::ToJson(doc), ProjectJson::ToJson(expected));

    Convert(
        R"({"m_strTitle": "T", "m_pRoot": {"m_arrDocs": [{"m_strName": "a", "m_timePublish": 1000}],
                "m_arrFolders": [{}], "m_arrHotspots": [{}]}})",
        doc);
    EXPECT_EQ(doc.m_strTitle, "T");
    EXPECT_EQ(doc.m_strFooter, "Customize footer text here...");
    EXPECT_EQ(doc.m_pRoot->m_strName, "Root");
    const CBuildTreeDoc& item = *doc.m_pRoot->m_arrDocs.at(0);
    EXPECT_EQ(item.m_strLink, "");
    EXPECT_EQ(item.m_timeFile, kNow);
    EXPECT_EQ(item.m_timePublish, 1000);
    EXPECT_EQ(item.m_timePurge, 1000 + 31'536'000);  // follows the given publish date
    EXPECT_EQ(item.m_bVisible, 1);
    const CBuildTreeFolder& folder = *doc.m_pRoot->m_arrFolders.at(0);
    EXPECT_EQ(folder.m_strName, "");
    EXPECT_EQ(folder.m_timePurge, kNow + 31'536'000);
    EXPECT_EQ(doc.m_pRoot->m_arrHotspots.at(0)->m_nShape, 0);
    EXPECT_TRUE(doc.m_pRoot->m_arrHotspots.at(0)->m_arrCoords.empty());
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
    };
    for (const auto& [json, message] : cases) EXPECT_EQ(Refusal(json), message) << json;
}

TEST(ProjectJsonTest, TextThatIsNotJsonIsRefused) {
    EXPECT_EQ(Refusal("").rfind("not valid JSON: ", 0), 0u);
    EXPECT_NE(Refusal("{\"m_strTitle\": \"x\"").find("not valid JSON: parse error"),
              std::string::npos);
    EXPECT_NE(Refusal("{} {}").find("not valid JSON"), std::string::npos);
    EXPECT_EQ(Refusal(std::string("{}\n \0 garbage", 13)),
              "not valid JSON: a NUL byte at line 2, column 2");
    // A JSON text must itself be valid UTF-8.
    EXPECT_NE(Refusal("{\"m_strTitle\": \"\xE9\"}").find("not valid JSON"), std::string::npos);
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
    Convert(nested(ProjectJson::kMaxFolderDepth - 1), doc);
    EXPECT_EQ(doc.m_pRoot->CountItems(), static_cast<size_t>(ProjectJson::kMaxFolderDepth));
    const std::string error = Refusal(nested(ProjectJson::kMaxFolderDepth));
    EXPECT_NE(error.find("folders are nested deeper than 1000 levels"), std::string::npos)
        << error.substr(0, 200);
    // The path of the too-deep folder is shortened in the middle.
    EXPECT_EQ(error.rfind("m_pRoot.m_arrFolders[0].m_arrFolders[0]", 0), 0u);
    EXPECT_NE(error.find(" ... "), std::string::npos);
    EXPECT_LT(error.size(), 250u) << error.substr(0, 200);
}

TEST(ProjectJsonTest, StreamedTextIsTheJsonFormDumped) {
    CFoldcraftDoc doc;
    FillSample(doc);
    // A folder with one empty list and one hotspot, and an empty folder.
    auto* last = doc.m_pRoot->AddFolder(std::make_unique<CBuildTreeFolder>("Last", "(folder)", ""));
    last->AddFolder(std::make_unique<CBuildTreeFolder>("Empty", "(folder)", ""));
    last->AddHotspot(std::make_unique<CHotspotArea>());
    const std::string expected = ProjectJson::ToJson(doc).dump(2) + "\n";
    EXPECT_EQ(ProjectJson::ToText(doc), expected);
    std::ostringstream out;
    EXPECT_TRUE(ProjectJson::Write(doc, out));
    EXPECT_EQ(out.str(), expected);

    CFoldcraftDoc fresh;
    fresh.OnNewDocument();
    EXPECT_EQ(ProjectJson::ToText(fresh), ProjectJson::ToJson(fresh).dump(2) + "\n");
}
