#include <gtest/gtest.h>

#include "publish/FileDigest.h"
#include "publish/PublishManifest.h"
#include "support/TempDir.h"

using foldcraft::FileDigest;
using foldcraft::FileTime;
using foldcraft::ManifestEntry;
using foldcraft::PublishManifest;

namespace {

const std::string kAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

TEST(FileDigest, KnownValueFromFileAndMemory) {
    foldcraft::test::TempDir dir;
    EXPECT_EQ(FileDigest::Of(dir.WriteFile("abc.txt", "abc")), (FileDigest{3, kAbc}));
    EXPECT_EQ(FileDigest::OfBytes("abc"), (FileDigest{3, kAbc}));
    EXPECT_FALSE(FileDigest::Of(dir / "missing").has_value());
    EXPECT_FALSE(FileDigest::Of(dir.Path()).has_value());  // a directory
}

TEST(PublishManifest, RoundTripAndVersionOne) {
    PublishManifest manifest;
    manifest.SetFile("files/Docs/a b.doc", {3, FileTime{1'700'000'000, 5}, kAbc});
    manifest.SetFile("Folder0.html", {7, std::nullopt, ""});  // time and content not known
    manifest.SetFile("../escape", {1, std::nullopt, kAbc});   // never recorded
    manifest.AddDirectory("files/Docs");
    manifest.AddDirectory("files/../..");
    const std::string text = manifest.Serialize();
    EXPECT_EQ(text,
              "Foldcraft manifest 2\nd files/Docs\nf 7 - - Folder0.html\n"
              "f 3 1700000000.000000005 " +
                  kAbc + " files/Docs/a b.doc\n");
    const auto back = PublishManifest::Parse(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->Files(), manifest.Files());
    EXPECT_EQ(back->Directories(), manifest.Directories());

    const auto old = PublishManifest::Parse("Foldcraft manifest 1\n7 - Folder0.html\n3 " + kAbc +
                                            " files/Docs/a b.doc\n");
    ASSERT_TRUE(old.has_value());
    EXPECT_EQ(old->Files().size(), 2u);
    EXPECT_EQ(*old->Find("files/Docs/a b.doc"), (ManifestEntry{3, std::nullopt, kAbc}));
    EXPECT_TRUE(old->Directories().empty());
}

// Anything but a whole manifest of ours is foreign: one hostile or malformed entry
// refuses the whole text, so that it never leads to a removal.
TEST(PublishManifest, ForeignTextsAreRefusedWhole) {
    const std::string head = "Foldcraft manifest 2\nf 1 - - Folder0.html\n";
    const std::string n250(250, 'x');
    std::string huge = head;  // well-formed, only too long
    while (huge.size() <= PublishManifest::kMaxBytes)
        huge += "f 1 - - " + n250 + "/" + n250 + "/" + n250 + "/" + n250 + "\n";
    std::vector<std::string> texts = {std::string(),
                                      "Some other manifest\n",
                                      head.substr(0, head.size() - 1),
                                      huge,
                                      head + "d ../x\n",
                                      head + "f 3 1.5 - a.html\n",
                                      head + "f 03 - - a.html\n",
                                      head + "f 3 - " + kAbc.substr(1) + " a.html\n",
                                      head + "3 " + kAbc + " a.html\n",
                                      "Foldcraft manifest 1\nd files\n"};
    const std::vector<std::string> paths = {"/etc/passwd",
                                            "..",
                                            "files/../../x",
                                            "~root/.profile",
                                            "files/*",
                                            "files/a\r",
                                            "files\\..\\..\\x",
                                            "files//x",
                                            "files/" + std::string(2'994, 'x'),
                                            "files/" + std::string(256, 'x')};
    for (const std::string& path : paths) texts.push_back(head + "f 3 - - " + path + "\n");
    for (const std::string& text : texts) {
        EXPECT_FALSE(PublishManifest::Parse(text).has_value()) << text.substr(0, 80);
    }
    EXPECT_TRUE(PublishManifest::Parse(head).has_value());
    EXPECT_TRUE(PublishManifest::Parse(head + "d " + n250 + "\n").has_value());
}

}  // namespace
