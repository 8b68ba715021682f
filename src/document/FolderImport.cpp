#include "document/FolderImport.h"

#include <QStringList>

#include "model/BuildTreeFolder.h"
#include "model/DirectoryImporter.h"

namespace foldcraft {

namespace {

// The problems named in the message; the rest are counted.
constexpr int kNamedProblems = 5;

}  // namespace

FolderImport::FolderImport() = default;
FolderImport::FolderImport(FolderImport&&) noexcept = default;
FolderImport::~FolderImport() = default;

FolderImport FolderImport::FromDirectory(const std::string& directory) {
    FolderImport import;
    std::string name = directory;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    const size_t slash = name.rfind('/');
    if (slash != std::string::npos && name.size() > 1) name.erase(0, slash + 1);
    auto folder = std::make_unique<CBuildTreeFolder>(name, "(folder)", std::string());
    const DirectoryImporter::Result result = DirectoryImporter().Import(directory, *folder);
    if (!result.ok) {
        import.message = QString::fromStdString(result.message);
        return import;
    }
    import.folder = std::move(folder);
    QStringList problems;
    int more = 0;
    for (const auto& note : result.notes) {
        if (!note.problem) continue;
        if (problems.size() < kNamedProblems)
            problems << QString::fromStdString(note.path + ": " + note.reason);
        else
            ++more;
    }
    if (problems.isEmpty()) return import;
    import.message = QStringLiteral("Some entries of %1 were left out:\n%2")
                         .arg(QString::fromStdString(directory), problems.join('\n'));
    if (more > 0) import.message += QStringLiteral("\nand %1 more.").arg(more);
    return import;
}

}  // namespace foldcraft
