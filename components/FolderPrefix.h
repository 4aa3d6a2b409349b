// A folder as a prefix for the paths formed under it: the save folder, and
// the folder the archiver packs from and writes into.
#pragma once

#include <string>
#include <string_view>

namespace ck {

// Whether a byte opens a two-byte character in the code page of the names.
using LeadBytePredicate = bool (*)(unsigned char);

// The folder read from the registry, with a trailing separator added when it
// lacks one, so that "C:\Games\save" + "Bob1.zip" cannot land in C:\Games.
// The last character decides, not the last byte: in a double-byte code page
// the second byte of a character such as 0x95 0x5C is the backslash's byte.
// Without `isLeadByte`, every byte is a character.
std::string FolderPrefix(std::string_view folder, LeadBytePredicate isLeadByte = nullptr);

}  // namespace ck
