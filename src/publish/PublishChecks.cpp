#include "publish/PublishChecks.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "model/Clock.h"
#include "model/FoldcraftDoc.h"

namespace fs = std::filesystem;

namespace foldcraft {
namespace {

PublishCheckResult Refuse(const char* message) {
    return {PublishCheckResult::Outcome::kRefused, message};
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The text with "." and ".." resolved and no trailing slash ("/" stays "/").
std::string NormalisedText(const std::string& path) {
    std::string text = fs::path(path).lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

bool SameFolder(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    const bool haveA = ::stat(a.c_str(), &sa) == 0;
    const bool haveB = ::stat(b.c_str(), &sb) == 0;
    if (haveA && haveB) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return NormalisedText(a) == NormalisedText(b);
}

bool IsExistingDirectory(const std::string& path) {
    if (PublishChecks::IsWindowsFormPath(path)) return false;
    std::error_code ec;
    return fs::is_directory(path, ec);
}

}  // namespace

PublishCheckResult PublishChecks::CheckSomethingToPublish(const CFoldcraftDoc& doc) {
    if (!doc.m_pRoot || doc.m_pRoot->CountItems() < 2) return Refuse(kNothingToPublish);
    return {};
}

void PublishChecks::StampLastPublish(CFoldcraftDoc& doc) {
    doc.m_timeLastPublish = Clock::Stamp();
    doc.SetModifiedFlag(true);
}

PublishCheckResult PublishChecks::BeginPublish(CFoldcraftDoc& doc) {
    PublishCheckResult result = CheckSomethingToPublish(doc);
    if (!result.Ok()) return result;
    StampLastPublish(doc);
    return result;
}

bool PublishChecks::IsWindowsFormPath(std::string_view path) {
    return path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\';
}

bool PublishChecks::IsValidPublishPathForm(std::string_view path) {
    return (!path.empty() && path[0] == '/') || IsWindowsFormPath(path);
}

PublishCheckResult PublishChecks::CheckPublishPath(const std::string& publishPath,
                                                   const std::string& programFolder) {
    if (!publishPath.empty() && !programFolder.empty() && SameFolder(publishPath, programFolder)) {
        return Refuse(kSameFolderAsApplication);
    }
    if (!IsValidPublishPathForm(publishPath)) return Refuse(kInvalidPath);
    if (!IsExistingDirectory(publishPath)) {
        return {PublishCheckResult::Outcome::kAskCreateDirectory, kAskCreateDirectory};
    }
    return {};
}

PublishCheckResult PublishChecks::CheckLocal(CFoldcraftDoc& doc, const std::string& programFolder) {
    PublishCheckResult result = BeginPublish(doc);
    if (!result.Ok()) return result;
    return CheckPublishPath(doc.m_strPublishPath, programFolder);
}

PublishCheckResult PublishChecks::CreatePublishDirectory(const std::string& publishPath) {
    if (!IsValidPublishPathForm(publishPath) || IsWindowsFormPath(publishPath)) {
        return Refuse(kDirectoryNotCreated);
    }
    std::error_code ec;
    fs::create_directories(publishPath, ec);
    if (!IsExistingDirectory(publishPath)) return Refuse(kDirectoryNotCreated);
    return {};
}

}  // namespace foldcraft
