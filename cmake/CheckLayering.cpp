// The layering check: what the compiler and the linker see of each library object,
// held against the table of the folders each folder may use.
//
//   check_layering <source dir> <build dir> <table> <objects> <nm>
//
// <table> has a line per folder: the folder, then the folders it may use besides
// itself; "!file-layer" lists the sources of the file layer, and each "!file-allowed"
// line a pattern (demangled; a trailing * matches any rest) of what the other objects
// of their folders may take from outside the tree. <objects> lists the object files,
// one a line. An object belongs to the folder of its source
// (the longest folder that prefixes it); a generated source (moc, resources) to the
// folder of its library's other sources.
//  - Headers: every file of the source tree the compiler opened for the object (Ninja's
//    dependency log, .ninja_deps) must be of its folder or of one it may use; a file in
//    no folder of the table counts as its first path part ("resources", "tests").
//    Generated files (under the build folder) and files outside the tree are not ours.
//  - Symbols: every symbol an object leaves undefined that another of the objects
//    defines must be defined in its folder or in one it may use; what only the
//    libraries outside the tree define (Qt, the C++ library) is not ours. The
//    replaceable allocation functions are the C++ library's even where a test program
//    replaces them.
//  - Above the file layer: an object of a file layer source's folder outside that layer
//    takes from outside the tree only what a "!file-allowed" pattern matches.
// Prints each wrong use and exits 1; 0 when there is none.

#include <cxxabi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Table {
  std::map<std::string, std::set<std::string>> uses;  // folder -> the folders it may use
  std::set<std::string> fileLayer;
  std::vector<std::string> fileAllowed;  // patterns, "*" at the end matching any rest

  // The folder of a path relative to the source tree: the longest folder prefixing it,
  // else its first part.
  std::string FolderOf(const std::string& path) const {
    std::string best;
    for (const auto& [folder, unused] : uses) {
      if (folder.size() > best.size() && path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == '/') {
        best = folder;
      }
    }
    return best.empty() ? path.substr(0, path.find('/')) : best;
  }
  bool FileAllowed(const std::string& name) const {
    return std::any_of(fileAllowed.begin(), fileAllowed.end(), [&](const std::string& p) {
      return !p.empty() && p.back() == '*' ? name.compare(0, p.size() - 1, p, 0, p.size() - 1) == 0 : name == p;
    });
  }
  bool Allows(const std::string& from, const std::string& to) const {
    if (from == to) return true;
    const auto it = uses.find(from);
    return it != uses.end() && it->second.count(to) != 0;
  }
};

Table ReadTable(const fs::path& file) {
  Table table;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string folder, to;
    if (!(words >> folder)) continue;
    if (folder == "!file-allowed") {
      std::string pattern;
      std::getline(words >> std::ws, pattern);
      table.fileAllowed.push_back(pattern);
      continue;
    }
    std::set<std::string>& uses = folder == "!file-layer" ? table.fileLayer : table.uses[folder];
    while (words >> to) uses.insert(to);
  }
  return table;
}

// Ninja's dependency log: per output (as build.ninja names it, relative to the build
// folder), the files its last build read. Records end at the first one not whole (a
// build may be appending meanwhile); nothing is written.
std::unordered_map<std::string, std::vector<std::string>> ReadDepsLog(const fs::path& file) {
  std::unordered_map<std::string, std::vector<std::string>> deps;
  std::ifstream in(file, std::ios::binary);
  const std::string signature = "# ninjadeps\n";
  std::string head(signature.size(), '\0');
  int32_t version = 0;
  if (!in.read(head.data(), static_cast<std::streamsize>(head.size())) || head != signature ||
      !in.read(reinterpret_cast<char*>(&version), 4) || (version != 3 && version != 4)) {
    return deps;
  }
  const size_t mtimeWords = version == 4 ? 2 : 1;
  std::vector<std::string> paths;
  std::unordered_map<int32_t, std::vector<int32_t>> inputs;  // by output id, the last record
  std::vector<uint32_t> words;
  for (uint32_t header = 0; in.read(reinterpret_cast<char*>(&header), 4);) {
    const bool isDeps = (header >> 31) != 0;
    const uint32_t size = header & 0x7FFFFFFFu;
    if (size % 4 != 0 || size < 4 || size > (1u << 19)) break;
    words.resize(size / 4);
    if (!in.read(reinterpret_cast<char*>(words.data()), size)) break;
    if (isDeps) {
      if (words.size() < 1 + mtimeWords) break;
      inputs[static_cast<int32_t>(words[0])].assign(words.begin() + 1 + static_cast<std::ptrdiff_t>(mtimeWords),
                                                    words.end());
    } else {
      std::string path(reinterpret_cast<const char*>(words.data()), size - 4);
      while (!path.empty() && path.back() == '\0') path.pop_back();
      if (~words.back() != paths.size()) break;  // the checksum is the complement of the id
      paths.push_back(std::move(path));
    }
  }
  for (const auto& [out, ids] : inputs) {
    if (out < 0 || static_cast<size_t>(out) >= paths.size()) continue;
    std::vector<std::string>& files = deps[paths[static_cast<size_t>(out)]];
    for (const int32_t id : ids) {
      if (id >= 0 && static_cast<size_t>(id) < paths.size()) files.push_back(paths[static_cast<size_t>(id)]);
    }
  }
  return deps;
}

std::string Demangled(const std::string& name) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> text(abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status), std::free);
  return status == 0 && text ? text.get() : name;
}

// A replaceable allocation function: the C++ library's, wherever else it is defined.
bool Replaceable(const std::string& name) {
  return name.rfind("_Znw", 0) == 0 || name.rfind("_Zna", 0) == 0 || name.rfind("_Zdl", 0) == 0 ||
         name.rfind("_Zda", 0) == 0;
}

// `inner` below `outer`, as a relative path; empty when it is not.
std::string Below(const fs::path& inner, const fs::path& outer) {
  const fs::path rel = inner.lexically_relative(outer);
  if (rel.empty() || *rel.begin() == "..") return {};
  return rel.generic_string();
}

struct Object {
  std::string ninjaPath;  // relative to the build folder
  std::string source;     // relative to the source folder
  std::string folder;
};

// The source of an object CMake built: <dir>/CMakeFiles/<target>.dir/<source>.o.
std::string SourceOf(const std::string& ninjaPath) {
  const std::string marker = "CMakeFiles/";
  const size_t at = ninjaPath.rfind(marker, ninjaPath.find(".dir/"));
  const size_t dir = ninjaPath.find(".dir/", at);
  if (at == std::string::npos || dir == std::string::npos) return ninjaPath;
  std::string source = ninjaPath.substr(0, at) + ninjaPath.substr(dir + 5);
  if (source.size() > 2 && source.compare(source.size() - 2, 2, ".o") == 0) source.resize(source.size() - 2);
  return source;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::cerr << "usage: check_layering <source dir> <build dir> <table> <objects> <nm>\n";
    return 2;
  }
  const fs::path sourceDir = fs::weakly_canonical(argv[1]);
  const fs::path buildDir = fs::weakly_canonical(argv[2]);
  const Table table = ReadTable(argv[3]);
  const std::string objectsFile = argv[4];

  std::vector<Object> objects;
  std::unordered_map<std::string, size_t> objectIndex;  // by absolute path
  {
    std::ifstream in(objectsFile);
    for (std::string line; std::getline(in, line);) {
      if (line.empty()) continue;
      Object o;
      o.ninjaPath = Below(fs::path(line).lexically_normal(), buildDir);
      if (o.ninjaPath.empty()) o.ninjaPath = line;
      o.source = SourceOf(o.ninjaPath);
      o.folder = table.FolderOf(o.source);
      objectIndex.emplace(fs::path(line).lexically_normal().string(), objects.size());
      objects.push_back(std::move(o));
    }
  }
  // A generated source (moc, resources) is of the folder of its library's own sources.
  std::map<std::string, std::string> libraryFolder;  // by the objects' folder in the build
  const auto library = [](const Object& o) { return o.ninjaPath.substr(0, o.ninjaPath.find(".dir/")); };
  for (const Object& o : objects) {
    if (fs::exists(sourceDir / o.source)) libraryFolder.emplace(library(o), o.folder);
  }
  for (Object& o : objects) {
    const auto it = libraryFolder.find(library(o));
    if (!fs::exists(sourceDir / o.source) && it != libraryFolder.end()) o.folder = it->second;
  }
  std::set<std::string> wrong;

  // What the compiler opened.
  const auto deps = ReadDepsLog(buildDir / ".ninja_deps");
  // Per file as the log names it: its path in the source tree and its folder; empty
  // for a file that is not ours.
  std::unordered_map<std::string, std::pair<std::string, std::string>> ours;
  const auto ourFile = [&](const std::string& file) -> const std::pair<std::string, std::string>& {
    auto [it, added] = ours.try_emplace(file);
    if (added) {
      fs::path p(file);
      if (p.is_relative()) p = buildDir / p;
      p = p.lexically_normal();
      if (Below(p, buildDir).empty()) it->second.first = Below(p, sourceDir);
      if (!it->second.first.empty()) it->second.second = table.FolderOf(it->second.first);
    }
    return it->second;
  };
  for (const Object& o : objects) {
    const auto it = deps.find(o.ninjaPath);
    if (it == deps.end()) {
      wrong.insert(o.source + ": no record of the files its compile opened (build with Ninja)");
      continue;
    }
    for (const std::string& file : it->second) {
      const auto& [rel, to] = ourFile(file);
      if (!rel.empty() && !table.Allows(o.folder, to)) {
        wrong.insert(o.source + ": the compiler opened " + rel + ": " + o.folder + " may not use " + to);
      }
    }
  }

  // What the objects' symbols resolve to.
  const std::string command = std::string(argv[5]) + " -P -A @" + objectsFile;
  std::unique_ptr<FILE, int (*)(FILE*)> nm(popen(command.c_str(), "r"), pclose);
  if (!nm) {
    std::cerr << "check_layering: cannot run " << command << "\n";
    return 2;
  }
  // Per symbol: the first object defining it and the folders that do (by their place
  // among the objects' folders, a bit each).
  std::vector<std::string> folders;
  for (const Object& o : objects) {
    if (std::find(folders.begin(), folders.end(), o.folder) == folders.end()) folders.push_back(o.folder);
  }
  if (folders.size() > 64) {
    std::cerr << "check_layering: more than 64 folders\n";
    return 2;
  }
  const auto bit = [&](const std::string& folder) {
    return uint64_t{1} << (std::find(folders.begin(), folders.end(), folder) - folders.begin());
  };
  std::vector<uint64_t> own(objects.size()), allowed(objects.size());
  for (size_t i = 0; i < objects.size(); ++i) {
    own[i] = bit(objects[i].folder);
    for (const std::string& f : folders) {
      if (table.Allows(objects[i].folder, f)) allowed[i] |= bit(f);
    }
  }
  struct Definition {
    size_t first;
    uint64_t folders;
  };
  std::unordered_map<std::string, Definition> defined;
  std::vector<std::vector<std::string>> undefined(objects.size());
  std::string line, lastName;
  size_t object = objects.size();  // of lastName; objects.size(): not one of ours
  for (char buffer[4096]; std::fgets(buffer, sizeof buffer, nm.get()) != nullptr;) {
    line += buffer;
    if (line.back() != '\n') continue;
    // "<object>: <name> <type> [<value> <size>]"
    const size_t colon = line.find(": ");
    const size_t space = line.find(' ', colon + 2);
    if (colon == std::string::npos || space == std::string::npos || space + 2 >= line.size() ||
        (line[space + 2] != ' ' && line[space + 2] != '\n')) {
      line.clear();
      continue;
    }
    if (line.compare(0, colon, lastName) != 0) {
      lastName = line.substr(0, colon);
      const auto it = objectIndex.find(fs::path(lastName).lexically_normal().string());
      object = it == objectIndex.end() ? objects.size() : it->second;
    }
    std::string name = line.substr(colon + 2, space - colon - 2);
    const char t = line[space + 1];
    line.clear();
    if (object == objects.size()) continue;
    if (t == 'U') {
      undefined[object].push_back(std::move(name));
    } else if (((t >= 'A' && t <= 'Z') || t == 'u' || t == 'i') && !Replaceable(name)) {  // global definitions
      defined.try_emplace(std::move(name), Definition{object, 0}).first->second.folders |= own[object];
    }
  }
  if (pclose(nm.release()) != 0) {
    std::cerr << "check_layering: " << command << " failed\n";
    return 2;
  }
  std::set<std::string> fileLayerFolders;
  for (const std::string& source : table.fileLayer) fileLayerFolders.insert(table.FolderOf(source));
  for (size_t i = 0; i < objects.size(); ++i) {
    const Object& o = objects[i];
    const bool aboveFileLayer = fileLayerFolders.count(o.folder) != 0 && table.fileLayer.count(o.source) == 0;
    for (const std::string& name : undefined[i]) {
      const auto by = defined.find(name);
      if (by == defined.end() && aboveFileLayer) {
        std::string shown = Demangled(name);
        if (!table.FileAllowed(shown)) {
          if (const size_t args = shown.find('('); args != std::string::npos) shown.resize(args);
          wrong.insert(o.source + ": uses " + shown + " of the system: " + o.folder +
                       " may not use it above the file layer");
        }
      }
      if (by == defined.end() || (by->second.folders & allowed[i]) != 0) continue;
      const Object& definer = objects[by->second.first];
      wrong.insert(o.source + ": uses " + Demangled(name) + " of " + definer.source + ": " + o.folder +
                   " may not use " + definer.folder);
    }
  }

  if (wrong.empty()) return 0;
  std::cerr << "Uses against the layering (see docs/architecture.md, Layers):\n";
  for (const std::string& w : wrong) std::cerr << "  " << w << "\n";
  return 1;
}
