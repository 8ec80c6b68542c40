#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace varnok {

// The program's own package archive (".pgi" plug-in packages). A package is
//
//   "MPK" 02 Enc(H) C9 Enc(N) FF
//   for entry i = 1..N: the digits of i (plain), Enc(name) FD Enc(original size) FE Enc(compressed size) FF
//   the zlib streams of entries 1..N back to back, from byte H on
//
// where Enc(x) is the text x with every byte shifted up by 2 (mod 256), numbers are
// decimal digit text, and H counts every byte up to and including the last FF.
// Stored names are raw bytes in the Windows-1252 code page.
//
// Every operation takes the package path and keeps nothing open between calls. No
// operation throws or shows anything; the results are these codes:
//
//     0  success
//    -4  MPKCreate: a file in the list does not exist
//    -5  the package is missing, cannot be read or is not a package; the entry number
//        is 0 or above the count; MPKTestArchive found a length mismatch;
//        MPKExtractAll got a folder of two characters or fewer, or an entry name
//        that would leave the folder. The numeric results also give -5 for any
//        unexpected failure (a file that cannot be read or written, a damaged stream).
//    -6  MPKExtractFile: the output file exists and overwriting is not allowed
//    -7  MPKCreate: the file list is empty or names more than 99999 files
//    -8  MPKTestArchive: the package file does not exist
//   -10  reserved: MPKCreate once reported a temporary compressed copy it could not
//        delete. Packages are built in memory now, so it is never returned.
//   -12  MPKCreate: the package exists and overwriting is not allowed
//
// The text results give an unexpected failure (a package that exists but cannot be
// read) as the empty text.
class cMPK {
public:
    // 100 - round(compressed / original * 100) followed by "%", rounded half to even
    // to a 16-bit whole number. Empty when the entry cannot be read, its original
    // size is 0 or the rounded value does not fit in 16 bits.
    std::string MPKGetFileRatio(const std::filesystem::path& MPKFile, std::int32_t FileNumber) const noexcept;

    // "0" when the package is exactly H + the sum of the compressed sizes long.
    std::string MPKTestArchive(const std::filesystem::path& MPKFile) const noexcept;

    // Writes every entry into the folder under its stored name, creating the folder
    // when it is missing. Stops at the first failing entry and returns its code.
    std::string MPKExtractAll(const std::filesystem::path& MPKFile,
                              const std::filesystem::path& OutPutDirectory) const noexcept;

    // Inflates one entry into OutPutFile, which is replaced as a whole or not at all.
    std::int32_t MPKExtractFile(const std::filesystem::path& MPKFile, std::int32_t FileNumber,
                                const std::filesystem::path& OutPutFile, bool OverWriteExistingFile) const noexcept;

    std::string MPKGetFileName(const std::filesystem::path& MPKFile, std::int32_t FileNumber) const noexcept;
    std::string MPKGetFileCompSize(const std::filesystem::path& MPKFile, std::int32_t FileNumber) const noexcept;
    std::string MPKGetFileSize(const std::filesystem::path& MPKFile, std::int32_t FileNumber) const noexcept;
    std::string MPKGetFileCount(const std::filesystem::path& MPKFile) const noexcept;

    // Builds a package from the files named in FilesToAdd, separated by "|" (one
    // leading and one trailing "|" are allowed). Each entry is stored under its
    // source's file name. The package is written once, beside the target and renamed
    // over it, so a failed build leaves an existing package as it was.
    std::int32_t MPKCreate(const std::filesystem::path& MPKFile, const std::string& FilesToAdd,
                           bool OverWriteExistingMPKFile) const noexcept;
};

}  // namespace varnok
