#pragma once

#include <string>

namespace foldcraft {

// The program folder: a per-user folder owned by Foldcraft. Its "images"
// directory holds the support images every site receives; "_temp", "temp.html"
// and "styles.css" are scratch items removed when the program ends.
class ProgramFolder {
public:
    // Resolves the folder: the explicit choice when not empty, else $FOLDCRAFT_HOME,
    // else $XDG_DATA_HOME/Foldcraft, else ~/.local/share/Foldcraft. The result has no
    // trailing slash (except for "/" itself). Does not create anything.
    static std::string Resolve(const std::string& explicitChoice = {});

    // Creates the folder (with its parents) when missing. False with a reason on failure.
    static bool Ensure(const std::string& folder, std::string* error = nullptr);

    // The shutdown clean-up: removes folder/_temp with everything in it, then
    // folder/temp.html, then folder/styles.css. Missing items, and items that cannot
    // be removed, are skipped silently.
    static void CleanUp(const std::string& folder);

    static std::string TempDir(const std::string& folder) { return folder + "/_temp"; }
    static std::string ImagesDir(const std::string& folder) { return folder + "/images"; }
};

}  // namespace foldcraft
