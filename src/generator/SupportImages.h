#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace foldcraft::SupportImages {

// One support image built into the program.
struct Image {
    const char* name;            // file name, such as "folder.gif"
    const unsigned char* data;   // the file's bytes (static storage)
    std::size_t size;
};

// The 17 support images, in the order a publish copies them: the seven button
// backgrounds, file.gif, folder.gif, logo.gif, restart.jpg, sitemap.jpg, doc.gif,
// urldoc.gif, hsfolder.gif, cfolder.gif, spacer.gif.
const std::vector<Image>& All();

// Writes every support image that is missing from programFolder/images (creating
// the directory when needed). Images already there are left alone, so a user may
// replace them with pictures of their own. False with a reason when a directory or
// file cannot be written.
bool EnsureInstalled(const std::string& programFolder, std::string* error = nullptr);

}  // namespace foldcraft::SupportImages
