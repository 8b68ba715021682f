// Temporary bodies until the built-in images land.
#include "generator/SupportImages.h"

namespace foldcraft::SupportImages {
const std::vector<Image>& All() {
    static const std::vector<Image> none;
    return none;
}
bool EnsureInstalled(const std::string&, std::string* error) {
    if (error) *error = "support images not built in yet";
    return false;
}
}  // namespace foldcraft::SupportImages
