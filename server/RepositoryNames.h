#pragma once
// Which names of the repository can be listed and asked for. Names on disk are UTF-8;
// in the listing and in requests they are Windows-1252. One set of rules serves both
// directions, so that a file is listed exactly when it can be fetched.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The files the signing tool keeps beside each product folder are named by the folder and one
// of these endings: the signed listing jobgate sends, the highest serial ever signed, the
// lock a signing holds, and the folder of compressed forms and patches (the payload store). No product folder may end so, or it could be taken for one of them.
inline constexpr std::string_view kSignedListingEnding = ".brenhold-listing";
inline constexpr std::string_view kSerialMarkEnding = ".brenhold-serial";
inline constexpr std::string_view kSigningLockEnding = ".brenhold-lock";
inline constexpr std::string_view kPayloadStoreEnding = ".brenhold-payload";

// The Windows-1252 form of a file or folder name found on disk, or none when it cannot
// be listed: not representable in Windows-1252, or holding a backslash or a control
// byte such as 03 (a Windows client would read them as something else).
std::optional<std::string> ListedName(const std::string& utf8Name);

// The UTF-8 folder name of a product asked for, or none when the name is not a single
// plain name (empty, ".", "..", or holding "/", "\" or a control byte) or ends like one of
// the files kept beside product folders.
std::optional<std::string> ProductFolderName(const std::string& product);

// The UTF-8 names along a path as listed ("./" followed by names joined by "/"), or none
// when the path cannot be one of the listed files: another start, an empty name, "." or
// "..", a backslash or a control byte, or more than 1022 bytes.
std::optional<std::vector<std::string>> ListedPathNames(const std::string& path);
