#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace foldcraft {

// The names of the temporary files that pages and copies are written to before
// they take their place in a site: ".~foldcraft-PID-N.tmp", PID the writing
// process, N a number counting up within it. A process that is killed leaves its
// temporary files behind; a later run recognises them by the name and the PID.
class TempFileName {
public:
    // A name not given before in this process.
    static std::string Next();
    // The same, appended to out (whose room is reused: no allocation once it is
    // large enough).
    static void AppendNext(std::string& out);

    // The PID in name when name follows the scheme exactly (decimal numbers without
    // leading zeros, nothing before or after); 0 otherwise.
    static pid_t OwnerOf(std::string_view name);

    // Removes from the directory open as dirFd the regular files named by the
    // scheme whose process no longer exists (kill(pid, 0) reports ESRCH). Files of
    // a live process, of this one, and every other entry are left alone. Returns
    // how many were removed; a directory that cannot be read removes nothing.
    // dirFd (which may be an O_PATH descriptor)
    // stays open and owned by the caller.
    static size_t RemoveStale(int dirFd);
};

}  // namespace foldcraft
