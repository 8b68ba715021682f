#pragma once

#include <string>
#include <string_view>

class CFoldcraftDoc;

namespace foldcraft {

// The checks made when the user presses Publish, as plain values: the caller shows
// the message (a message box in the GUI, stderr in the command-line tool) and, for
// a missing directory, asks the question and answers it with CreatePublishDirectory.
//
// Order for "Local files" (CheckLocal does all of it):
//   1. CheckSomethingToPublish  - "Cannot publish at this time.  Nothing has been
//                                  constructed in Step 1 Build."
//   2. StampLastPublish         - always, even when a later check fails
//   3. program folder           - "Cannot publish to same folder as application."
//   4. path form                - "Invalid path."
//   5. directory exists         - kAskCreateDirectory ("Directory does not exist. Create?")
// The FTP method uses steps 1 and 2 only (BeginPublish).
struct PublishCheckResult {
    enum class Outcome {
        kOk,                  // go on with the run
        kRefused,             // show message and stop
        kAskCreateDirectory,  // ask message (Yes/No); Yes -> CreatePublishDirectory
    };
    Outcome outcome = Outcome::kOk;
    std::string message;  // empty when kOk

    bool Ok() const { return outcome == Outcome::kOk; }
};

class PublishChecks {
public:
    static constexpr const char* kNothingToPublish =
        "Cannot publish at this time.  Nothing has been constructed in Step 1 Build.";
    static constexpr const char* kSameFolderAsApplication =
        "Cannot publish to same folder as application.";
    static constexpr const char* kInvalidPath = "Invalid path.";
    static constexpr const char* kAskCreateDirectory = "Directory does not exist. Create?";
    static constexpr const char* kDirectoryNotCreated = "Error: directory not created.";

    // Check 1: kRefused with kNothingToPublish when the tree holds nothing besides
    // the root.
    static PublishCheckResult CheckSomethingToPublish(const CFoldcraftDoc& doc);

    // Step 2: m_timeLastPublish becomes the clock's now and the project is marked
    // modified.
    static void StampLastPublish(CFoldcraftDoc& doc);

    // Check 1 then, when it passes, step 2: what both publish methods do first. The
    // stamp is not made when there is nothing to publish.
    static PublishCheckResult BeginPublish(CFoldcraftDoc& doc);

    // Checks 3 to 5 on a publish path, without touching the document.
    //
    // The program-folder test: when both paths exist they are the same folder exactly
    // when they are the same file (device and inode), so another letter case, a
    // trailing slash, "." or ".." segments or a symbolic link are all seen through;
    // otherwise their lexically normalised texts are compared, case-sensitively
    // ("/a/x/../b" and "/a/b/" are the same folder even while "/a/x" is missing).
    static PublishCheckResult CheckPublishPath(const std::string& publishPath,
                                               const std::string& programFolder);

    // The whole "Local files" sequence on doc.m_strPublishPath (steps 1 to 5).
    static PublishCheckResult CheckLocal(CFoldcraftDoc& doc, const std::string& programFolder);

    // The answer Yes to kAskCreateDirectory: makes the directory with all missing
    // parents. kRefused with kDirectoryNotCreated when it does not exist afterwards.
    static PublishCheckResult CreatePublishDirectory(const std::string& publishPath);

    // Absolute in POSIX form ("/...") or Windows form (letter, ':', '\', ...).
    static bool IsValidPublishPathForm(std::string_view path);

    // A Windows-form path ("X:\..."): valid, but it names nothing on this system, so
    // it never exists as a directory here and cannot be made.
    static bool IsWindowsFormPath(std::string_view path);
};

}  // namespace foldcraft
