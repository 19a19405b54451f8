#pragma once
// Path helpers over UTF-16 text. A path is a sequence of UTF-16 code units and "/"
// separates folders. Every helper is total: any text gives a (possibly empty) result.
// Results are views into the argument, so they live as long as the argument does.
#include <string_view>

namespace zen {

// Everything up to and including the last "/"; empty when there is none. A leading
// double quote is not part of the result. Two files are of the same folder exactly when
// their FolderPart texts are equal code unit by code unit.
std::u16string_view FolderPart(std::u16string_view path);

// Everything after the last "/" (the whole path when there is none). A path in double
// quotes counts up to its closing quote; a double quote inside a name belongs to it.
std::u16string_view FilePart(std::u16string_view path);

// The text after the last ".", found scanning back from the end. There is no extension
// (empty result) when a space or a "/" comes after that ".", when the "." directly
// follows a "/" or a "\" or opens the path, or when there is no "." at all. A name
// ending in "." has the empty extension.
std::u16string_view ExtensionPart(std::u16string_view path);

// The name of the folder that directly holds the file: the piece between the last "/"
// and the "/" before it (or the start). Empty without a "/" or when the only "/" is the
// first character.
std::u16string_view ParentFolderName(std::u16string_view path);

// True when ExtensionPart, in lower case, is jpg, jpeg, png, psd or psb.
bool IsAcceptedImage(std::u16string_view path);

// FilePart without its extension, by the rule the converter names its files with
// (BaseNameOf).
std::u16string_view BaseName(std::u16string_view path);

}  // namespace zen
