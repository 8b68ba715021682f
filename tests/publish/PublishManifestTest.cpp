#include <gtest/gtest.h>

#include "publish/FileDigest.h"
#include "publish/PublishManifest.h"
#include "support/TempDir.h"

using foldcraft::FileDigest;
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

TEST(PublishManifest, RoundTrip) {
    PublishManifest manifest;
    manifest.Set("files/Docs/a b.doc", FileDigest{3, kAbc});
    manifest.Set("Folder0.html", FileDigest{7, ""});  // content not known
    manifest.Set("../escape", FileDigest{1, kAbc});   // never recorded
    const std::string text = manifest.Serialize();
    EXPECT_EQ(text, "Foldcraft manifest 1\n7 - Folder0.html\n3 " + kAbc + " files/Docs/a b.doc\n");
    EXPECT_EQ(PublishManifest::Parse(text)->Entries(), manifest.Entries());
}

// Anything but a whole manifest of ours is foreign: it must never lead to removals.
TEST(PublishManifest, ForeignTextsAreRefused) {
    const std::string head = "Foldcraft manifest 1\n";
    const std::string line = head + "3 " + kAbc + " ";
    for (const std::string& text :
         {std::string(), "Some other manifest\n" + line + "a.html\n", line + "a.html",
          line + "../etc/passwd\n", line + "/abs\n", line + "files//x\n", line + "files\\x\n",
          head + "x " + kAbc + " a.html\n", head + "3 " + kAbc.substr(1) + " a.html\n",
          head + "3 " + std::string(64, 'G') + " a.html\n"}) {
        EXPECT_FALSE(PublishManifest::Parse(text).has_value()) << text;
    }
    EXPECT_TRUE(PublishManifest::Parse(head).has_value());
}

}  // namespace
