#include "publish/LocalPublishRun.h"

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

        m_sink.Scroll(2);
        Pause(100);
        Pause(100);
        Append("\nCreating styles.css...");
        if (!PageWriters::Call(&WriteStyleSheet, m_doc, target)) {
            return FailureEnd("\nCreation of styles.css failed!\n");
        }
        m_sink.SetProgress(40);
        Append("\nSuccessfully created styles.css.\n");
        m_sink.Scroll(2);
        Pause(100);

        if (m_doc.m_bCreateTitlePage == 1) {
            Pause(100);
            Append("\nCreating title page...");
            if (!PageWriters::Call(&WriteTitlePage, m_doc, target)) {
                return FailureEnd("\nCreation of title page failed!\n");
            }
            m_sink.SetProgress(50);
            Append("\nSuccessfully created title page.\n");
        }
        m_sink.Scroll(2);
        Pause(100);

        if (m_doc.m_bCreateSitemap == 1) {
            Pause(100);
            Append("\nCreating sitemap...");
            if (!PageWriters::Call(&WriteSitemap, m_doc, target)) {
                return FailureEnd("\nCreation of sitemap failed!\n");
            }
            m_sink.SetProgress(50);
            Append("\nSuccessfully created sitemap.\n");
        }
        m_sink.Scroll(2);
        Pause(100);
        Pause(300);
        Append("\nCreating folder pages...");
        if (!PageWriters::Call(&WriteFolderPages, m_doc, target)) {
            return FailureEnd("\nCreation of folder pages failed!\n");
        }
        m_sink.SetProgress(100);
        Append("\nSuccessfully created folder pages.\n");

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
