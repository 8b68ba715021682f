#include "publish/PageWriters.h"

namespace foldcraft::PageWriters {

bool Call(Writer writer, const CFoldcraftDoc& doc, const std::string& targetDir) {
    try {
        return writer(doc, targetDir);
    } catch (...) {
        return false;
    }
}

}  // namespace foldcraft::PageWriters
