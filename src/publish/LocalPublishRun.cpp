#include "publish/LocalPublishRun.h"

#include <string>
#include <string_view>
#include <utility>

#include "generator/SiteGenerator.h"
#include "model/FoldcraftDoc.h"
#include "publish/LocalSiteAssembly.h"
#include "publish/PageWriters.h"

namespace foldcraft {
LocalPublishRun::LocalPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                                 PauseHook pause)
    : m_doc(doc),
      m_sink(sink),
      m_programFolder(std::move(programFolder)),
      m_pause(std::move(pause)) {}

std::string LocalPublishRun::TargetDirectory(const std::string& publishPath) {
    std::string target = publishPath;
    while (target.size() > 1 && target.back() == '/') target.pop_back();
    return target;
}

std::string LocalPublishRun::StartPageName(const CFoldcraftDoc& doc) {
    return doc.m_bCreateTitlePage == 1 ? "TitlePage.html" : "Folder0.html";
}

std::string LocalPublishRun::StartPagePath(const CFoldcraftDoc& doc) {
    std::string target = TargetDirectory(doc.m_strPublishPath);
    if (target.empty() || target.back() != '/') target += '/';
    return target + StartPageName(doc);
}

LocalPublishRun::Result LocalPublishRun::FailureEnd(const char* text) {
    Append(text);
    m_bError = true;
    m_sink.EnableClose(true);
    return Result::kFailed;
}

LocalPublishRun::Result LocalPublishRun::RunLocalPublish() {
    m_bError = false;
    m_sink.EnableClose(false);
    const std::string target = TargetDirectory(m_doc.m_strPublishPath);
    try {
        // Each "Creating..." text is added to the log, the run waits, and only then is
        // the log shown: the sink shows what it is given at once, so the text goes to
        // it after the pause. The header is first shown with the first of them.
        m_doc.m_arrPublishFiles.clear();
        LocalSiteAssembly assembly(m_doc, target, m_programFolder);

        Pause(100);
        Append("Publish status:\n----------------------------------------\n");
        Append("\nCreating directory structure...");
        if (!assembly.CreateLocalDirectories()) {
            return FailureEnd("\nCreation of directory structure failed!\n");
        }
        m_sink.SetProgress(15);
        Append("\nSuccessfully created directory structure.\n");
        m_sink.Scroll(4);
        Pause(100);

        Pause(100);
        Append("\nCopying files...");
        bool allCopied = true;
        if (assembly.CopySiteFiles()) {
            m_sink.SetProgress(30);
            Append("\nSuccessfully copied files\n");
        } else {
            Append("\nThe following files were not copied:\n");
            // Each entry is appended on its own: the log grows with the list, it is
            // never rebuilt.
            for (const std::string& path : m_doc.m_arrPublishFiles) {
                std::string line;
                line.reserve(path.size() + 1);
                line += path;
                line += '\n';
                m_sink.AppendText(line);
            }
            allCopied = false;
            m_bError = true;
        }
        // Files of earlier runs that the site no longer holds go; then the manifest
        // records what is there now.
        LocalSiteManifest& manifest = assembly.Manifest();
        const int removed = manifest.RemoveUnpublished();
        if (manifest.Skipped() > 0) {
            m_sink.AppendText("\nSkipped " + std::to_string(manifest.Skipped()) +
                              " unchanged files.\n");
        }
        if (removed > 0) {
            m_sink.AppendText("\nRemoved " + std::to_string(removed) +
                              " files that are no longer published.\n");
        }
        manifest.Save();

        // The page writers, each announced after its pause; a failure ends the run.
        const PageStep steps[] = {
            {&WriteStyleSheet, true, 100, "\nCreating styles.css...",
             "\nCreation of styles.css failed!\n", 40, "\nSuccessfully created styles.css.\n"},
            {&WriteTitlePage, m_doc.m_bCreateTitlePage == 1, 100, "\nCreating title page...",
             "\nCreation of title page failed!\n", 50, "\nSuccessfully created title page.\n"},
            {&WriteSitemap, m_doc.m_bCreateSitemap == 1, 100, "\nCreating sitemap...",
             "\nCreation of sitemap failed!\n", 50, "\nSuccessfully created sitemap.\n"},
            {&WriteFolderPages, true, 300, "\nCreating folder pages...",
             "\nCreation of folder pages failed!\n", 100, "\nSuccessfully created folder pages.\n"},
        };
        for (const PageStep& step : steps) {
            // Before every step, whether or not it runs.
            m_sink.Scroll(2);
            Pause(100);
            if (!step.enabled) continue;
            Pause(step.pause);
            Append(step.creating);
            if (!PageWriters::Call(step.writer, m_doc, target)) return FailureEnd(step.failed);
            m_sink.SetProgress(step.progress);
            Append(step.done);
        }

        if (allCopied) {
            Append("\n--------------------\nPublish successful!\n");
        } else {
            Append("\n--------------------\nPublish finished.\nSome files were not copied.\n");
        }
        m_sink.Scroll(7);
        m_sink.EnableClose(true);
        return allCopied ? Result::kSuccess : Result::kFilesNotCopied;
    } catch (...) {
        // Out of memory while copying or listing: the run cannot go on.
        m_bError = true;
        m_sink.EnableClose(true);
        return Result::kFailed;
    }
}

}  // namespace foldcraft
