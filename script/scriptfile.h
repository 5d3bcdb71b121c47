// The script file *.mas: a script's source text and its compiled image in one file.
//
// Layout (little-endian, no header, no padding):
//   0      u32  S, the length of the source text
//   4      S    the source text: the source lines, each followed by CR LF
//   4+S    u32  C, the length of the image (0: no compiled script)
//   8+S    C    the image exactly as the compiler wrote it
// A file is read whole and checked before anything of it is used.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TScriptFileData {
  std::string Source;          // the source text with its CR LF pairs
  std::vector<uint8_t> Code;   // empty when the file holds no compiled script
};

// The source text of lines (each followed by CR LF) and the lines of a text: a line ends at
// CR LF, CR or LF; a text that ends with a line break has no empty line after it.
std::string ScriptSourceText(const std::vector<std::string>& Lines);
std::vector<std::string> ScriptSourceLines(const std::string& Text);

// The bytes of a script file.
std::vector<uint8_t> EncodeScriptFile(const std::string& Source, const std::vector<uint8_t>& Code);
// Checks the bytes of a script file: the source length within the file, the code length within
// what remains and at most 65,536, and a code that is either the 4-byte empty image holding 0 or
// an image whose size word equals the code length with its trailer and names inside. Gives ""
// and fills Out when the file is good, else the reason (and leaves Out as it was).
std::string DecodeScriptFile(const std::vector<uint8_t>& Bytes, TScriptFileData& Out);

// A script file on disk. False with a message that names the path when the file cannot be read
// or is refused; Out is then left as it was.
bool ReadScriptFile(const std::string& Path, TScriptFileData& Out, std::string& Error);
// Writes beside the path and renames over it, so that a failed write keeps an older file. False
// with a message that names the path.
bool WriteScriptFile(const std::string& Path, const std::string& Source, const std::vector<uint8_t>& Code,
                     std::string& Error);
