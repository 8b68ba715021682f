// Uploads every regular file of a local directory (in name order) into a remote
// directory with Foldcraft's FTP client, one control connection, and prints the
// seconds it took. Driven by bench/ftp_upload.sh, which times lftp on the same
// files against the same server.
//
//   bench_ftp_upload HOST PORT USER PASSWORD_ENV LOCAL_DIR REMOTE_DIR [--passive]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "publish/FTPLink.h"

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr,
                     "usage: %s HOST PORT USER PASSWORD_ENV LOCAL_DIR REMOTE_DIR [--passive]\n",
                     argv[0]);
        return 64;
    }
    const std::string host = argv[1];
    const int port = std::atoi(argv[2]);
    const std::string user = argv[3];
    const char* password = std::getenv(argv[4]);
    const std::string localDir = argv[5];
    const std::string remoteDir = argv[6];
    const bool passive = argc > 7 && std::string(argv[7]) == "--passive";
    if (!password) {
        std::fprintf(stderr, "the environment variable %s is not set\n", argv[4]);
        return 64;
    }

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(localDir)) {
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());

    const auto start = std::chrono::steady_clock::now();
    CFTPLink link;
    if (!link.Logon({.host = host, .port = port, .user = user, .password = password})) {
        std::fprintf(stderr, "login failed: %s\n", link.m_strLastReply.c_str());
        return 2;
    }
    if (!link.MakeDirectory(remoteDir) || !link.Command("CWD " + remoteDir)) {
        std::fprintf(stderr, "remote directory: %s\n", link.m_strLastReply.c_str());
        return 2;
    }
    int failed = 0;
    for (const std::string& name : names) {
        if (!link.TransferFile(name, localDir + "/" + name, passive, false)) ++failed;
    }
    link.Logoff();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f\n", seconds);
    if (failed) {
        std::fprintf(stderr, "%d uploads failed\n", failed);
        return 1;
    }
    return 0;
}
