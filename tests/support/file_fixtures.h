// Small files, folder trees and archives that file-layer tests build for
// themselves in their working folder.
#ifndef OMBREL_TESTS_SUPPORT_FILE_FIXTURES_H
#define OMBREL_TESTS_SUPPORT_FILE_FIXTURES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "system/archive_writer.h"

using Bytes = std::vector<uint8_t>;

// A file (or, with a path ending in a backslash, an empty folder) of a tree;
// paths use backslashes, for example "MAP\\A.PNG".
struct FixtureFile {
  std::string path;
  Bytes data;
};

Bytes RandomBytes(size_t size, uint32_t seed);
// English-like text, which compresses well.
Bytes TextBytes(size_t size);
Bytes BytesOf(const std::string& text);

// The positions of the backslashes that separate folders: a Shift-JIS trail
// byte may be a backslash too.
std::vector<size_t> FixturePathSeparators(const std::string& path);

// The tree of the given files, with a fixed time on every item.
ArchiveWriterItem MakeArchiveTree(const std::vector<FixtureFile>& files);
Bytes MakeArchiveImage(const std::vector<FixtureFile>& files, const ArchiveWriterOptions& options = {});

// Writes a file, making its folders first; paths relative to the current folder.
void WriteFileBytes(const std::string& path, const Bytes& data);
Bytes ReadFileBytes(const std::string& path);
void WriteTree(const std::string& folder, const std::vector<FixtureFile>& files);
// Removes a folder and everything in it.
void RemoveTree(const std::string& folder);

// A Linux path of the build (as the test definitions give them) as Wine sees it.
std::string HostPathToWindows(const std::string& hostPath);

#endif
