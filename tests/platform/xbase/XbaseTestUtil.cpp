#include "tests/platform/xbase/XbaseTestUtil.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/TestEnv.h"

namespace xbtest {

std::string FixtureDir() { return std::string(STOVREL_FIXTURES_DIR) + "/xbase"; }

std::string NewDir() { return testenv::NewTempDir(QStringLiteral("xb")).toStdString(); }

std::string CopyFixture(const std::string& name, const std::string& dir) {
  namespace fs = std::filesystem;
  for (const char* ext : {".dbf", ".cdx", ".fpt"}) {
    const fs::path src = FixtureDir() + "/" + name + ext;
    if (!fs::exists(src)) continue;
    const fs::path dst = dir + "/" + name + ext;
    fs::copy_file(src, dst, fs::copy_options::overwrite_existing);
    fs::permissions(dst, fs::perms::owner_read | fs::perms::owner_write);
  }
  return dir + "/" + name + ".dbf";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

namespace {

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : line) {
    if (c == sep) {
      out.push_back(cur);
      cur.clear();
    } else if (c != '\r') {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}

}  // namespace

const std::vector<ItemRow>& Items() {
  static const std::vector<ItemRow> rows = [] {
    std::vector<ItemRow> out;
    std::istringstream in(ReadFile(FixtureDir() + "/items.csv"));
    std::string line;
    std::getline(in, line);  // heading
    while (std::getline(in, line)) {
      if (line.empty()) continue;
      const std::vector<std::string> f = Split(line, ',');
      if (f.size() < 11) continue;
      ItemRow r;
      r.recno = static_cast<uint32_t>(std::stoul(f[0]));
      r.deleted = f[1] == "1";
      r.id = f[2];
      r.code = f[3];
      r.name = f[4];
      r.qty = f[5];
      r.ddate = f[6];
      r.kind = f[7];
      r.flag = f[8];
      r.noteLen = std::stoul(f[9]);
      r.noteHead = f[10];
      out.push_back(std::move(r));
    }
    return out;
  }();
  return rows;
}

const std::map<std::string, TagListing>& ItemTags() {
  static const std::map<std::string, TagListing> tags = [] {
    std::map<std::string, TagListing> out;
    std::istringstream in(ReadFile(FixtureDir() + "/items-tags.txt"));
    std::string line;
    TagListing* cur = nullptr;
    while (std::getline(in, line)) {
      if (line.rfind("tag ", 0) == 0) {
        const std::vector<std::string> w = Split(line, ' ');
        TagListing t;
        t.name = w[1];
        t.keys = std::stoul(w.back());
        t.hasFor = line.find(" for  ") == std::string::npos;
        for (size_t i = 0; i + 1 < w.size(); ++i) {
          if (w[i] == "descending") t.descending = w[i + 1] == "yes";
        }
        cur = &(out[t.name] = t);
      } else if (line.rfind("end ", 0) == 0) {
        cur = nullptr;
      } else if (cur) {
        for (const std::string& n : Split(line, ' ')) {
          if (!n.empty()) cur->order.push_back(static_cast<uint32_t>(std::stoul(n)));
        }
      }
    }
    return out;
  }();
  return tags;
}

std::string Text(FIELD4* f) {
  std::string s(f4ptr(f), static_cast<size_t>(f4len_v(f)));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

Engine::Engine(int attempts, int delayMs) : c_(d4init_v()) {
  code4accessMode(c_, 0);
  code4readOnly(c_, 0);
  code4readLock(c_, 0);
  code4lockEnforce(c_, 1);
  code4lockDelay(c_, delayMs);
  code4lockAttempts(c_, attempts);
  code4optimizeWrite(c_, 0);
}

Engine::~Engine() { d4initUndo(c_); }

std::vector<uint32_t> WalkForward(DATA4* d) {
  std::vector<uint32_t> out;
  for (int r = d4top(d); r == 0; r = d4skip(d, 1)) out.push_back(static_cast<uint32_t>(d4recNo(d)));
  return out;
}

std::vector<uint32_t> WalkBackward(DATA4* d) {
  std::vector<uint32_t> out;
  d4top(d);
  while (d4skip(d, 1) == 0) {
  }
  for (int r = d4skip(d, -1); r == 0; r = d4skip(d, -1)) out.push_back(static_cast<uint32_t>(d4recNo(d)));
  return out;
}

}  // namespace xbtest
