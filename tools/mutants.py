#!/usr/bin/env python3
"""Planted-fault check of the test suite.

Applies, one at a time, each fault of MUTANTS (a one-line source edit: an
off-by-one, a flipped comparison, a dropped CR, a changed log text, a skipped
check, a wrong default), builds in a scratch build directory, runs the test
programs that should catch it (each fault names them; by default those of its
area) and prints "killed" (some test failed) or "survived" (all passed), then
the score. The source tree is never touched: the faults are applied to a scratch
worktree of a commit (HEAD by default).

    tools/mutants.py [--only TEXT] [--list] [--baseline-only] [--rev REV]
                     [--scratch DIR] [--report FILE] [--every-test] [--keep] [--jobs N]

Takes long (one incremental build and one test run per fault); not part of CI.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def M(path, old, new, what, tests=None):
    """One planted fault: path, text that occurs once in it, its replacement, what the
    fault is, and the test programs that should catch it (default: the area's own)."""
    return (path, old, new, what, tests or DEFAULT_TESTS[path.split("/")[1]])


# The test programs by name: (build target, GoogleTest filter), or a ctest regex for
# the script tests. The FTP tests start servers and take longest, so only faults in
# the FTP code run them.
FTP_SUITES = "FTPLink*:FtpPublish*:FtpIntegration*:FtpSettings*:FtpSiteTarget*:FtpsVsftpd*"
PROGRAMS = {
    "model": ("foldcraft_tests_model", "*"),
    "generator": ("foldcraft_tests_generator", "*"),
    "publish": ("foldcraft_tests_publish", "-" + FTP_SUITES),
    "ftp": ("foldcraft_tests_publish", FTP_SUITES),
    "ftpsettings": ("foldcraft_tests_publish", "FtpSettings*"),
    "sftp": ("foldcraft_tests_publish", "Sftp*"),
    "s3": ("foldcraft_tests_publish", "S3*"),
    "cli": ("foldcraft_tests_cli", "*"),
    "document": ("foldcraft_tests_document", "*"),
    "scripts": ("foldcraft-cli", None),
    "settings": ("foldcraft_tests_settings", "*"),
}
# A widget test program is named "gui:tst_Name": its target is tst_Name, run by ctest.
GUI = "gui:"
DEFAULT_TESTS = {
    "model": ("model",),
    "generator": ("generator",),
    "publish": ("publish",),
    "cli": ("cli",),
}

# (file, exact text that occurs once in the file, replacement, what the fault is[, tests])
# tests: the test programs to run (model, generator, publish, cli, ftp, scripts,
# settings, document, gui:tst_Name); by default the program of the fault's own area (src/model -> model, ...).
# Faults in the desktop program (src/app, src/ui) name their programs.
MUTANTS = [
    # model
    M("src/model/Clock.cpp", "if (*p < '0' || *p > '9') return std::nullopt;",
      "if (*p < '0' || *p > '9') continue;", "SOURCE_DATE_EPOCH accepts non-digits"),
    M("src/model/HotspotArea.cpp", "r.left <= x && x < r.right && r.top <= y && y < r.bottom",
      "r.left <= x && x <= r.right && r.top <= y && y < r.bottom",
      "a rectangle holds its right edge"),
    M("src/model/HotspotArea.cpp", "if (pts.size() < 3) return false;",
      "if (pts.size() < 4) return false;", "a triangle is never hit"),
    M("src/model/HotspotArea.cpp", "(std::int64_t{r.right} - r.left) / 2);",
      "(std::int64_t{r.right} - r.left) / 1);", "a circle's image-map radius is its diameter"),
    M("src/model/BuildTreeFolder.cpp", "for (size_t i = m_arrHotspots.size(); i-- > 0;) {",
      "for (size_t i = 0; i < m_arrHotspots.size(); ++i) {",
      "the lowest hotspot wins a hit test, not the topmost"),
    M("src/model/BuildTreeFolder.cpp", "count += 1 + folder->m_arrDocs.size();",
      "count += folder->m_arrDocs.size();", "folders are not counted as items",
      ("model", "publish")),
    M("src/model/BuildTreeFolder.cpp", "{ return a.first > b.first; });",
      "{ return a.first < b.first; });", "a descending sort sorts ascending"),
    M("src/model/BuildTreeFolder.cpp", "SortByName(folder->m_arrDocs, ascending);", "",
      "documents are left unsorted"),
    M("src/model/BuildTreeFolder.cpp", "ar.WriteI32(m_bShowContentsFor);",
      "ar.WriteI32(m_bHotspotFolder);", "the Contents-for switch is saved as the hotspot flag"),
    M("src/model/BuildTreeDoc.cpp", "if (!(m_timePublish < now)) return false;",
      "if (m_timePublish > now) return false;", "an item is active in its publish second"),
    M("src/model/BuildTreeDoc.cpp", "return m_timePurge > now;", "return m_timePurge >= now;",
      "an item is still active in its purge second"),
    M("src/model/BuildTreeDoc.cpp", "m_bVisible = ar.ReadI32();", "ar.ReadI32();",
      "the visible switch is lost on reading"),
    M("src/model/Archive.cpp", "if (n < 0xFF) {", "if (n <= 0xFF) {",
      "a text of 255 bytes gets the short length prefix"),
    M("src/model/Archive.cpp", "if (minEntryBytes > 0 && n > Remaining() / minEntryBytes) {",
      "if (false) {", "an impossible list length is not refused"),
    M("src/model/Archive.cpp", "if (++m_ar.m_depth > kMaxFolderDepth) {",
      "if (++m_ar.m_depth > kMaxFolderDepth + 1) {", "the folder depth limit is one too deep"),
    M("src/model/DesignSettings.h", "m_clrFolderBackground = 0x339933;",
      "m_clrFolderBackground = 0x339934;", "wrong default folder colour"),
    M("src/model/FoldcraftDoc.cpp",
      "static_cast<CDesignSettings&>(*this) = std::move(static_cast<CDesignSettings&>(other));",
      "", "a loaded project's design settings are dropped"),
    M("src/model/ProgramFolder.cpp", "fs::remove(folder + \"/temp.html\", ec);", "",
      "clean-up leaves the preview page"),
    M("src/model/ProgramFolder.cpp", "xdg && *xdg && xdg[0] == '/')", "xdg && *xdg)",
      "a relative XDG_DATA_HOME is used"),
    M("src/model/DirectoryImporter.cpp", "if (st.st_size == 0) return;", "",
      "empty files are imported"),
    M("src/model/DirectoryImporter.cpp", "if (!m_options.includeHidden && !name.empty()",
      "if (m_options.includeHidden && !name.empty()", "hidden entries imported by default"),
    M("src/model/DirectoryImporter.cpp", "if (!IsInside(target, m_realRoot)) {", "if (false) {",
      "a link leading outside the directory is followed"),
    M("src/model/DirectoryImporter.cpp", "\"symbolic link leads outside the directory\"",
      "\"symbolic link leads outside the folder\"", "changed skip text"),
    M("src/model/ProjectFile.cpp", "VersionOf(now) != *unchangedSince", "false",
      "a file changed on disk is overwritten"),
    M("src/model/ProjectFile.cpp", "if (existed && ::fchmod(fd, oldMode) != 0)",
      "if (false && ::fchmod(fd, oldMode) != 0)", "saving loses the file's permissions"),
    # generator
    M("src/generator/PageContext.cpp", "std::to_string(tm.tm_year + 1900LL)",
      "std::to_string(tm.tm_year + 1899LL)", "creation year off by one"),
    M("src/generator/PageContext.cpp", "for (int shift = 0; shift <= 16; shift += 8) {",
      "for (int shift = 16; shift >= 0; shift -= 8) {", "colours written BGR instead of RGB"),
    M("src/generator/PageContext.cpp", "m_doc.m_bCreateTitlePage == 1 ? \"TitlePage.html\"",
      "m_doc.m_bCreateTitlePage == 0 ? \"TitlePage.html\"", "restart button leads to the wrong page"),
    M("src/generator/PageContext.cpp", "if (!isRoot) trail += \" > \";", "trail += \" > \";",
      "the trail starts with a separator"),
    M("src/generator/PageContext.cpp", "uses == 1 ? file + \".html\"", "uses == 0 ? file + \".html\"",
      "the first picture page of a name gets a number"),
    M("src/generator/PageContext.cpp", "graphic >= 0 && graphic <= 6 ?", "graphic >= 0 && graphic <= 5 ?",
      "the last button graphic is not used"),
    M("src/generator/SitePaths.cpp", "IsSeparator(path[2]) ? 3 : 2;", "IsSeparator(path[2]) ? 2 : 2;",
      "the separator after a drive letter is kept"),
    M("src/generator/SitePaths.cpp", "return lower == \"jpg\" || lower == \"gif\";",
      "return lower == \"jpg\";", "GIF pictures get no picture page"),
    M("src/generator/SitePaths.cpp", "piece == \".\" || piece == \"..\") return false;",
      "piece == \".\") return false;", "a '..' segment counts as safe",
      ("generator", "publish")),
    M("src/generator/SitePaths.cpp", "if (EqualNoCase(name, image.name))", "if (name == image.name)",
      "a background named like a support image in other letter case replaces it"),
    M("src/generator/SitePaths.cpp", "(c == '\"' || c == '<' || c == '>' || IsControl(c))",
      "(c == '<' || c == '>' || IsControl(c))", "a quote in a web link ends the attribute"),
    M("src/generator/StyleSheetWriter.cpp", "if (doc.m_nBackgroundPlacement == 1) {",
      "if (doc.m_nBackgroundPlacement == 0) {", "background placement flipped"),
    M("src/generator/StyleSheetWriter.cpp",
      "if (image.empty() || SitePaths::FileName(image).size() == image.size()) return {};",
      "if (image.empty()) return {};", "a bare background file name is used"),
    M("src/generator/SitemapWriter.cpp", "WriteRow(file, depth + 1, address,",
      "WriteRow(file, depth, address,", "sitemap documents indented like their folder"),
    M("src/generator/SitemapWriter.cpp", "if (!m_ctx.IsActive(sub)) continue;", "",
      "inactive folders in the sitemap"),
    M("src/generator/TitlePageWriter.cpp", "if (!doc.m_strComments.empty()) {", "if (true) {",
      "an empty comments box on the title page"),
    M("src/generator/TitlePageWriter.cpp", "Click Here To Proceed", "Click Here to Proceed",
      "changed title page text"),
    M("src/generator/ButtonTableWriter.cpp", "if (m_mode != kSite || item.m_bVisible == 1) {",
      "if (m_mode != kSite || item.m_bVisible >= 0) {", "hidden names shown on the site"),
    M("src/generator/ButtonTableWriter.cpp",
      "if (sized && doc.m_bShowFileSize == 1) m_file.Format(\"Size: %d<br>\"",
      "if (doc.m_bShowFileSize == 1) m_file.Format(\"Size: %d<br>\"", "web links get a size"),
    M("src/generator/PageContext.cpp",
      "if (SitePaths::IsPublishablePath(name)) names.emplace(item.get(), std::move(name));",
      "names.emplace(item.get(), std::move(name));",
      "a picture page is promised under a name that cannot be written"),
    M("src/generator/HotspotPageWriter.cpp", "PageContext::FolderId(folderId, n - 1)",
      "PageContext::FolderId(folderId, n)", "a hotspot leads to the next folder"),
    M("src/generator/HotspotPageWriter.cpp",
      "if (!m_ctx.IsActive(*item)) return Target{false, {}, {}, {}};", "",
      "a hotspot links an inactive document"),
    # publishing
    M("src/publish/PublishChecks.cpp", "CountItems() < 2) return Refuse", "CountItems() < 1) return Refuse",
      "an empty project is published"),
    M("src/publish/PublishChecks.cpp",
      "if (!publishPath.empty() && !programFolder.empty() && SameFolder(publishPath, programFolder)) {",
      "if (false) {", "publishing into the program folder allowed"),
    M("src/publish/PublishChecks.cpp", "doc.SetModifiedFlag(true);", "",
      "the publish stamp does not mark the project modified"),
    M("src/publish/PublishChecks.cpp", "if (!IsExistingDirectory(publishPath)) return Refuse(kDirectoryNotCreated);",
      "", "a directory that was not created counts as created"),
    M("src/publish/FileCopy.cpp",
      "std::uint64_t left = size > 0 ? static_cast<std::uint64_t>(size) : 0;",
      "std::uint64_t left = static_cast<std::uint64_t>(size) + kChunk;",
      "a copy does not stop at the size seen when the source was opened"),
    M("src/generator/TempFileName.cpp", "if (::kill(owner, 0) == 0 || errno != ESRCH) continue;",
      "", "a stale temporary file of a live process is removed", ("publish",)),
    M("src/publish/LocalSiteTarget.cpp", "constexpr int kDirFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW",
      "constexpr int kDirFlags = O_PATH | O_DIRECTORY", "a link standing at a site directory is followed"),
    M("src/publish/SyncPlan.cpp", "const bool keep = changedOnly && f.unchanged;",
      "const bool keep = false;", "an unchanged file is copied again on republishing"),
    M("src/publish/LocalSiteTarget.cpp", "(recorded.mtime && !(*recorded.mtime == TimeOf(st)))",
      "false", "a file the user put in place of a published one (same size) is removed"),
    M("src/publish/LocalSiteTarget.cpp", "const int dirFd = Directory(dir, reason, true);\n    if (dirFd < 0) return m_missing",
      "const int dirFd = Directory(dir, reason);\n    if (dirFd < 0) return m_missing",
      "a removal goes through a directory entered before a link replaced it"),
    M("src/publish/LocalSiteTarget.cpp", "if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {",
      "if (false) {", "a second publish writes into a locked site"),
    M("src/publish/SyncRun.cpp", "} else if (due && (!written || !m_notCopied.empty())) {",
      "} else if (due && !written) {", "files are removed after an upload failed"),
    M("src/publish/SyncRun.cpp", "if (m_plan.removals.size() > limit) {", "if (false) {",
      "removals beyond --max-delete are made"),
    M("src/publish/LocalPublishRun.cpp", "    if (options.dryRun) {\n        Append(", "    if (false) {\n        Append(",
      "a dry run copies files"),
    M("src/publish/SyncPlan.cpp", "if (siteDirectories.count(dir) == 0) plan.directoryRemovals.push_back(dir);",
      "", "directories the site no longer uses stay", ("publish",)),
    M("src/publish/PublishManifest.cpp", "c == '*' || c == '?' || c == '['", "c == '?'",
      "a manifest entry with a wildcard is trusted"),
    M("src/publish/LocalPublishRun.cpp", "    } catch (const std::bad_alloc&) {\n        return FailureEnd(kNoMemoryLine);",
      "    } catch (const std::bad_alloc&) {\n        return Result::kFailed;",
      "a publish out of memory ends without a word", ("cli",)),
    M("src/publish/LocalPublishRun.cpp", "Successfully copied files\\n", "Successfully copied files.\\n",
      "changed copy log text"),
    M("src/publish/PublishManifest.cpp", "return SitePaths::IsSafeRelativePath(path);", "return true;",
      "a manifest entry that climbs out of the site is accepted"),
    M("src/publish/FtpSettings.cpp", "if (s.nTimeoutSeconds < 1)", "if (s.nTimeoutSeconds < 0)",
      "a zero timeout is kept", ("ftpsettings",)),
    M("src/publish/FtpSettings.cpp", "if (strUser.empty()) return kNoUser;", "",
      "an empty user name is accepted", ("ftpsettings",)),
    M("src/publish/SiteLinkChecker.cpp", "url = url.substr(0, url.find('?'));", "",
      "a query is read as part of the file name"),
    M("src/publish/SiteLinkChecker.cpp", "if (attr == \"href\" || attr == \"src\")",
      "if (attr == \"href\")", "src links are not checked"),
    M("src/publish/SiteLinkChecker.cpp", "if (segment[i] == '%' && i + 2 < segment.size()",
      "if (segment[i] == '%' && i + 3 < segment.size()", "a percent escape at the end is not decoded"),
    M("src/publish/FTPLink.cpp", "m_writeBuffer.append(\"\\r\\n\");", "m_writeBuffer.append(\"\\n\");",
      "commands end without CR", ("ftp",)),
    M("src/publish/FTPLink.cpp", "if (m_strLastReply.rfind(\"550\", 0) != 0) return false;",
      "return false;", "an existing remote directory fails the upload", ("ftp",)),
    M("src/publish/FtpReply.cpp", "result.port = numbers[4] * 256 + numbers[5];",
      "result.port = numbers[5] * 256 + numbers[4];", "the PASV port's bytes are swapped",
      ("ftp",)),
    M("src/publish/FtpReply.cpp", "if (line.size() < 4 || line[3] != '-') return m_state = State::kComplete;",
      "return m_state = State::kComplete;", "a multi-line reply is taken as ended after its first line",
      ("ftp",)),
    M("src/publish/FTPLink.cpp",
      "::poll(&pfd, 1, static_cast<int>(std::min<long long>(left.count(), 1 << 30)));",
      "::poll(&pfd, 1, -1);", "a network wait ignores the timeout", ("ftp",)),
    M("src/publish/FTPLink.cpp", "if (!tls->Verified() &&", "if (false &&",
      "an untrusted server certificate is accepted", ("ftp",)),
    M("src/publish/SyncRun.cpp", "statuses[i] = target.MakeDirectory(*level[i], madeIt);",
      "statuses[i] = SiteTarget::Status::Ok();",
      "the documents' directories are not made", ("ftp",)),
    M("src/publish/FtpSiteTarget.cpp", "if (!S_ISREG(st.st_mode) || ::fcntl(file.Get(), F_SETFL, 0) != 0) {",
      "if (false) {", "a FIFO or device is sent to the server", ("ftp",)),
    M("src/publish/SftpSiteTarget.cpp", "if (there && there->type == SSH_FILEXFER_TYPE_REGULAR &&",
      "if (there &&", "a directory where a file goes is moved aside", ("sftp",)),
    M("src/publish/SftpUploadChannel.cpp", "if (code != 0 && result.ok) {",
      "if (false) {", "a refused SFTP write is taken for a stored one", ("sftp",)),
    M("src/publish/S3SiteTarget.cpp", "if (body.fd >= 0 && size >= m_options.multipartThreshold) {",
      "if (false) {", "a large document goes up whole", ("s3",)),
    M("src/publish/S3Client.cpp", "std::pair<std::string*, std::size_t> sink{&response.body, std::max(request.limit, kErrorLimit)};",
      "std::pair<std::string*, std::size_t> sink{&response.body, request.limit};",
      "an error document is cut to the body's limit", ("s3",)),
    M("src/publish/ServerPublishRun.cpp", "Append(\"\\nSuccessfully logged into server.\\n\");",
      "Append(\"\\nSuccessfully logged in to server.\\n\");", "changed log text after the login",
      ("ftp",)),
    M("src/publish/SyncRun.cpp", "if (stop()) {\n                    stopped = true;",
      "if (false) {\n                    stopped = true;",
      "a stop request is ignored during the uploads", ("ftp",)),
    # command-line tool
    M("src/cli/CliModelCommands.cpp", "const Time publishTime = Clock::Stamp() - 1;",
      "const Time publishTime = Clock::Stamp();", "imported items inactive in the import second"),
    M("src/cli/CliModelCommands.cpp", "if (!args->force && PathExists(args->file)) {",
      "if (args->force && PathExists(args->file)) {", "new replaces a file without --force"),
    M("src/cli/CliSupport.cpp", "return std::max(result, static_cast<int>(kExitProblems));",
      "return result;", "a publish stamp not saved still exits 0"),
    M("src/cli/CliSupport.cpp", "\"Error: not a regular file: \"", "\"Error: not a file: \"",
      "changed error text"),
    M("src/cli/StdoutLogSink.cpp", "return kExitProblems;", "return kExitOk;",
      "files not copied exit 0"),
    M("src/cli/CliPublishCommands.cpp", "result.broken.empty() ? kExitOk : kExitProblems;",
      "result.broken.empty() ? kExitOk : kExitFailure;", "check's exit status for broken links"),
    M("src/cli/CliGenerateCommands.cpp", "if (doc.m_bCreateSitemap == 1) {\n            ok = Report(WriteSitemap",
      "if (doc.m_bCreateSitemap == 0) {\n            ok = Report(WriteSitemap", "generate writes the sitemap when switched off"),
    M("src/cli/ProjectJson.cpp", "if (!object.keys.insert(key).second) {",
      "if (!object.keys.insert(key).second && key.empty()) {",
      "from-json takes a field given twice"),
    M("src/cli/main.cpp", "return kExitFailure;", "return kExitOk;",
      "running out of memory exits 0"),
    M("src/cli/CliPublishCommands.cpp", "<< \": \" << SyncRun::Printable(broken.link)", "",
      "check does not name the broken link"),
    M("src/publish/SyncRun.cpp", "if (c < 0x20 || c == 0x7F) {", "if (c == 0x7F) {",
      "check and the publish log print control characters as they are", ("cli", "publish")),
    M("src/cli/main.cpp", "foldcraft::Clock::Pin(*now);", "",
      "--now is ignored: the real clock decides what is current", ("cli",)),
    M("src/cli/CliGenerateCommands.cpp",
      "if (dirFd.Get() >= 0) TempFileName::RemoveStale(dirFd.Get());", "",
      "generate leaves the temporary pages of killed runs"),
    M("src/cli/CliSupport.cpp", "cmd->fallthrough();", "",
      "--program-folder after a command's own arguments is refused"),
    M("src/cli/CliFtpCommands.cpp", "if (args.passwordOnCommandLine) {", "if (false) {",
      "a password on the command line is taken", ("scripts",)),
    # desktop program: build step
    M("src/document/ItemFormRules.cpp", "fields.purge == 1 && t <= fields.publish",
      "fields.purge == 1 && t < fields.publish",
      "a purge date in the same second as publishing is accepted", ("document",)),
    M("src/document/ItemFormRules.cpp", "std::string(text.empty() ? kEmptyName : text)",
      "std::string(text)", "an emptied name stays empty", ("gui:tst_BuildStep",)),
    M("src/document/WebLinkRules.cpp", "return std::string(DropWww(link.substr(8)));",
      "return std::string(link.substr(8));", "the name of an https link keeps www.",
      ("document",)),
    M("src/document/RemoveItemCommand.cpp", "m_model.InsertDocs(m_parent, m_position,",
      "m_model.InsertDocs(m_parent, 0,", "undoing Remove puts the document first",
      ("gui:tst_BuildStep",)),
    M("src/document/SortTreeCommand.cpp", "m_folder.SortChildren(m_ascending);",
      "m_folder.SortChildren(true);", "Reverse Alphabetical sorts alphabetically",
      ("gui:tst_BuildStep",)),
    # desktop program: design step
    M("src/document/HotspotTool.cpp", "x = std::min(x, m_width);",
      "x = std::min(x, m_width - 1);", "a shape dragged off the picture stops short of its edge",
      ("document",)),
    M("src/document/HotspotTool.cpp", "area.m_arrCoords.size() < 6",
      "area.m_arrCoords.size() < 4", "a polygon of two corners is kept", ("document",)),
    M("src/ui/design/CDesignColorPage.cpp", '{"Link:", &CDesignSettings::m_clrLink},',
      '{"Link:", &CDesignSettings::m_clrVisitedLink},',
      "the Link swatch writes the visited-link colour", ("gui:tst_DesignStep",)),
    # desktop program: application shell and publish step
    M("src/document/CommandRules.cpp", "return selection.any && !selection.root;",
      "return selection.any;", "Remove is offered for the root folder", ("document",)),
    M("src/document/RecentFileList.cpp", "std::erase(m_files, path);", "",
      "a file opened again appears twice in the recent list", ("gui:tst_AppShell",)),
    M("src/app/DocumentLifeCycle.cpp",
      "const bool sameFile = m_versionRead && file == m_versionPath;",
      "const bool sameFile = false;",
      "a file changed by another program is replaced without asking",
      ("gui:tst_AppShell",)),
    M("src/app/DocumentLifeCycle.cpp", "if (!result.Ok()) m_document.Doc().m_bNeverSaved = 1;",
      "", "Save writes the empty tree over a file of another format",
      ("gui:tst_AppShell",)),
    M("src/document/ProjectTargets.cpp", "if (own.kind != Stored::Kind::kMissing) return own;",
      "", "a project's own target is shown as the user's defaults", ("document",)),
    M("src/ui/publish/CPublishView.cpp",
      "    m_targets.Remember(ChosenMethod(), m_document.Doc().m_strPublishPath);\n    UpdateEnabled();",
      "    UpdateEnabled();", "a method chosen for a project is forgotten at its next opening",
      ("gui:tst_PublishS3",)),
    M("src/document/TipOfTheDay.cpp", "return settings.GetInt(kSection, kStartUp, 0) <= 0;",
      "return settings.GetInt(kSection, kStartUp, 0) < 0;",
      "no tip at the first start", ("document",)),
    M("src/ui/publish/PublishPress.cpp",
      "if (answer != IUserDialogs::Answer::kYes) return Next::kNothing;",
      "if (answer == IUserDialogs::Answer::kCancel) return Next::kNothing;",
      "No to \"Create?\" still creates the directory and publishes", ("gui:tst_PublishStep",)),
    M("src/ui/common/PublishRunThread.cpp", "doc.m_arrPublishFiles = m_copy->m_arrPublishFiles;",
      "", "the files not copied never reach the project", ("gui:tst_PublishStep",)),
    M("src/settings/QtSettingsStore.cpp", "(st.st_mode & 07777) != 0600", "(st.st_mode & 07777) == 0",
      "a settings file open to others stays so", ("settings",)),
    M("src/settings/QtSettingsStore.cpp", "if (!SecureFile(m_fileName).empty()) return false;", "",
      "a link put in place of the settings file is written through", ("settings",)),
    M("src/model/SettingsStore.cpp",
      "if (ParseInt(stored.text, value) && value >= min && value <= max) return {value, {}};",
      "if (ParseInt(stored.text, value) ? value >= min && value <= max"
      " : (value = defaultValue, true)) return {value, {}};",
      "a stored number that does not read is its default (Security=true is plain FTP)",
      ("ftpsettings",)),
    M("src/model/ProjectFile.cpp", "RemoveStaleTemporaryFiles(directory, BaseNameOf(target));",
      "(void)RemoveStaleTemporaryFiles;",
      "a killed save's temporary file stays beside the project for ever", ("model",)),
    # many connections, retries, round trips
    M("src/publish/FtpSiteTarget.cpp", "attempt >= m_options.maxTries) {", "attempt >= 1) {",
      "a file is never tried again after a lost connection", ("ftp",)),
    M("src/publish/SyncRun.cpp", "    return !m_old || !(m_new == *m_old);", "    return true;",
      "a re-publish with nothing changed locks and lists", ("ftp",)),
    M("src/publish/SyncRun.cpp", "            MarkInPlace();", "",
      "plain uploads overwrite files the manifest does not mark", ("ftp",)),
    M("src/publish/FtpSiteTarget.cpp", "const bool tooLong = nested && path.size() > kLongPath;",
      "const bool tooLong = false;", "a long path is tried whole", ("ftp",)),
    M("src/publish/FtpConnector.cpp", 'opened.utf8 = link->Command("OPTS UTF8 ON");',
      "opened.utf8 = true;", "UTF8 is never switched on", ("ftp",)),
    M("src/publish/TransferMeter.cpp",
      "m_progress.filesDone = std::min(m_progress.filesTotal, m_progress.filesDone + 1);", "",
      "files sent are never counted", ("gui:tst_PublishStep",)),
    M("src/publish/SyncRun.cpp", "if (have < want) {", "if (have < 1) {",
      "a refused connection is not told", ("ftp",)),
]


def run(cmd, cwd, log, env=None, timeout=None):
    """The command's exit status and output; the output also goes to the log."""
    try:
        done = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              env=env, timeout=timeout)
        status, output = done.returncode, done.stdout
    except subprocess.TimeoutExpired as e:
        status, output = 1, (e.stdout or b"") + b"\ntimed out\n"
    with open(log, "ab") as out:
        out.write(("$ " + " ".join(cmd) + "\n").encode() + output)
    return status, output.decode("utf-8", "replace")


def targets_for(tests):
    return sorted({name[len(GUI):] if name.startswith(GUI) else PROGRAMS[name][0]
                   for name in tests})


def with_exclusions(gtest_filter, excluded):
    if not excluded:
        return gtest_filter
    return gtest_filter + (":" if "-" in gtest_filter else "-") + ":".join(sorted(excluded))


def run_tests(tests, src, build, log, jobs, fail_fast, excluded=()):
    """The names of the tests that failed (empty when all passed); tests named in
    excluded are not run."""
    # The scratch tree has no build/node of its own: the S3 tests use this tree's s3rver.
    env = dict(os.environ, TZ="UTC",
               FOLDCRAFT_S3RVER=os.path.join(ROOT, "build/node/node_modules/.bin/s3rver"))
    failed = []
    for name in tests:
        if name.startswith(GUI):
            target, gtest_filter = name[len(GUI):], None
        else:
            target, gtest_filter = PROGRAMS[name]
        if gtest_filter is not None:
            gtest_filter = with_exclusions(gtest_filter, excluded)
        if gtest_filter is None:
            pattern = f"^gui/{target}$" if name.startswith(GUI) else "^script/"
            cmd = ["ctest", "--test-dir", build, "-R", pattern, "-j", str(jobs),
                   "--timeout", "600", "--output-on-failure"]
            cmd += ["-E", "|".join(sorted(excluded))] if excluded else []
        else:
            cmd = [os.path.join(build, "tests", target), "--gtest_brief=1",
                   "--gtest_filter=" + gtest_filter]
            if fail_fast:
                cmd.append("--gtest_fail_fast")
        status, output = run(cmd, os.path.join(src, "tests"), log, env=env, timeout=900)
        if status != 0:
            names = re.findall(r"^\[  FAILED  \] (\S+?)(?:,| \(|$)", output, re.M)
            names += re.findall(r"^\s*\d+ - (\S+) \((?:Failed|Timeout)\)", output, re.M)
            failed += sorted(set(names)) or [name + ":crashed"]
            if fail_fast:
                break
    return failed


def select(args):
    chosen = []
    for i, m in enumerate(MUTANTS, 1):
        if args.only and not any(word == str(i) if word.isdigit() else
                                 word in m[0] or word in m[1] or word in m[3]
                                 for word in args.only.split(",")):
            continue
        chosen.append((i, m))
    return chosen


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--only", help="run only the faults with this number, or whose file, "
                        "text or description contains this (several separated by commas)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--scratch", help="scratch directory (default: a new temporary one); "
                        "a fixed one under the compiler cache's base directory lets a second "
                        "run reuse the first one's objects")
    parser.add_argument("--rev", default="HEAD", help="the commit to test (default HEAD)")
    parser.add_argument("--keep", action="store_true", help="keep the scratch tree")
    parser.add_argument("--list", action="store_true", help="list the faults and stop")
    parser.add_argument("--baseline-only", action="store_true",
                        help="build and run the unchanged tests once, then stop")
    parser.add_argument("--every-test", action="store_true",
                        help="run every test of a fault's programs, to name all the tests that "
                        "catch it (slower; by default a fault's run stops at its first failure)")
    parser.add_argument("--check", action="store_true",
                        help="only check that every fault still applies (no build); "
                             "exit 1 when one does not")
    parser.add_argument("--report", help="write each fault's verdict and the tests that "
                        "caught it to this JSON file")
    args = parser.parse_args()

    mutants = select(args)
    if args.list:
        for i, (path, _old, _new, what, tests) in mutants:
            print(f"{i:3} {path}: {what} [{' '.join(tests)}]")
        return 0

    # A fault whose text no longer stands once in its file (the code changed since it
    # was written) is named and left out, before any time is spent on builds.
    applying = []
    stale = []
    for i, m in mutants:
        path, old, _new, what, _tests = m
        shown = subprocess.run(["git", "show", f"{args.rev}:{path}"], cwd=ROOT,
                               capture_output=True, text=True)
        if shown.returncode != 0 or shown.stdout.count(old) != 1:
            print(f"{i:3} does not apply: {path}: {what}", flush=True)
            stale.append(i)
        else:
            applying.append((i, m))
    mutants = applying
    if args.check:
        print(f"{len(applying)} faults apply" + (f", {len(stale)} do not" if stale else ""))
        return 1 if stale else 0

    if args.scratch:
        scratch = os.path.abspath(args.scratch)
        if os.path.exists(scratch):
            print(f"{scratch} exists; remove it or choose another", file=sys.stderr)
            return 2
        os.makedirs(os.path.dirname(scratch), exist_ok=True)
    else:
        scratch = tempfile.mkdtemp(prefix="foldcraft-mutants-")
        os.rmdir(scratch)
    # The build directory sits inside the tree, as in an ordinary checkout, so that the
    # compiler cache (with a base directory) serves the unchanged sources.
    src = scratch
    build = os.path.join(src, "build")
    log = scratch + ".log"
    subprocess.check_call(["git", "worktree", "add", "--detach", src, args.rev], cwd=ROOT,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    print(f"testing {args.rev} in {src}; log in {log}", flush=True)
    try:
        configure = ["cmake", "-S", src, "-B", build, "-G", "Ninja",
                     "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DFOLDCRAFT_BENCH=OFF"]
        if shutil.which("ccache"):
            configure.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        all_tests = sorted({name for _i, m in mutants for name in m[4]})
        started = time.monotonic()
        build_cmd = ["cmake", "--build", build, "-j", str(args.jobs), "--target"]
        if run(configure, src, log)[0] != 0 or run(build_cmd + targets_for(all_tests), src,
                                                  log)[0] != 0:
            print(f"the unchanged tree does not build; see {log}", file=sys.stderr)
            return 2
        built = time.monotonic()
        # A test that fails without any fault cannot tell a fault: it is left out,
        # and said so. A test that fails only now and then shows up here too.
        excluded = set(run_tests(all_tests, src, build, log, args.jobs, False))
        if any(name.endswith(":crashed") for name in excluded):
            print(f"the unchanged tree fails its tests: {' '.join(sorted(excluded))}; "
                  f"see {log}", file=sys.stderr)
            return 2
        print(f"baseline: built in {built - started:.0f} s, tests ({' '.join(all_tests)}) "
              f"ran in {time.monotonic() - built:.0f} s", flush=True)
        if excluded:
            print(f"left out, failing without a fault: {' '.join(sorted(excluded))}", flush=True)
        if args.baseline_only:
            return 0

        killed = 0
        survivors = []
        report = []
        for i, (path, old, new, what, tests) in mutants:
            file = os.path.join(src, path)
            original = open(file, encoding="utf-8").read()
            open(file, "w", encoding="utf-8").write(original.replace(old, new, 1))
            started = time.monotonic()
            try:
                built = run(build_cmd + targets_for(tests), src, log)[0] == 0
                # A fault that does not compile counts as killed: the compiler caught it.
                failed = run_tests(tests, src, build, log, args.jobs, not args.every_test,
                                   excluded) if built else ["<compiler>"]
                passed = not failed
            finally:
                open(file, "w", encoding="utf-8").write(original)
            report.append({"number": i, "file": path, "what": what, "killed": not passed,
                           "by": failed})
            verdict = "survived" if passed else "killed"
            killed += not passed
            if passed:
                survivors.append(i)
            print(f"{i:3} {verdict:8} {path}: {what} ({time.monotonic() - started:.0f} s)"
                  + (f" by {' '.join(failed[:4])}" + (" ..." if len(failed) > 4 else "")
                     if failed else ""), flush=True)
            if args.report:
                with open(args.report, "w", encoding="utf-8") as out:
                    json.dump(report, out, indent=1)
        total = len(mutants)
        print(f"score: {killed}/{total} killed ({100.0 * killed / max(total, 1):.1f}%)")
        if survivors:
            print("survived: " + " ".join(str(i) for i in survivors))
        if stale:
            print("do not apply: " + " ".join(str(i) for i in stale))
        return 1 if survivors or stale else 0
    finally:
        if not args.keep:
            subprocess.call(["git", "worktree", "remove", "--force", src], cwd=ROOT,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            shutil.rmtree(scratch, ignore_errors=True)
        else:
            print(f"scratch tree kept in {scratch}")


if __name__ == "__main__":
    sys.exit(main())
