#include "platform/FileIdentity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace varnok {
namespace fs = std::filesystem;

std::string WhyNotWritable(const fs::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return std::strerror(errno);
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return "the file is write-protected";
    if (::access(file.c_str(), W_OK) != 0)
        return "you may not write the file (" + std::string(std::strerror(errno)) + ")";
    if (!FolderWritable(file)) return "you may not write its folder (" + std::string(std::strerror(errno)) + ")";
    return {};
}

bool FolderWritable(const fs::path& file) {
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace varnok
