// In-memory files for the export to one file: the directory's files by
// path, the temporary ones apart, and failures a test can make (a create
// refused, a disk that fills up, a name taken at the moment of the rename).
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "export_file.h"

namespace fakes {

class FakeExportFiles : public pindrel::ExportFiles {
 public:
  // Complete files by path, and those still temporary by number.
  std::map<std::wstring, std::string> files;
  std::map<int, std::string> temporary;
  std::wstring created_in;  // the directory of the last temporary file
  // Failures: refuse the create; accept only so many bytes in all; names
  // that get taken just before the rename (once each).
  bool refuse_create = false;
  std::size_t disk_space = static_cast<std::size_t>(-1);
  std::set<std::wstring> taken_at_rename;
  // What streaming looks like: the largest single write, and how many.
  std::size_t largest_write = 0;
  int writes = 0;

  bool Exists(const std::wstring& path) override { return files.count(path) > 0; }

  std::unique_ptr<pindrel::ExportFile> CreateTemporary(const std::wstring& directory) override {
    if (refuse_create) throw pindrel::ExportFileError(L"Access is denied.");
    created_in = directory;
    temporary[++next_] = {};
    return std::make_unique<File>(*this, next_);
  }

 private:
  class File : public pindrel::ExportFile {
   public:
    File(FakeExportFiles& fs, int n) : fs_(fs), n_(n) {}
    ~File() override {
      if (!committed_) fs_.temporary.erase(n_);
    }
    void Write(std::string_view bytes) override {
      ++fs_.writes;
      fs_.largest_write = std::max(fs_.largest_write, bytes.size());
      std::string& text = fs_.temporary.at(n_);
      if (text.size() + bytes.size() > fs_.disk_space)
        throw pindrel::ExportFileError(L"There is not enough space on the disk.");
      text.append(bytes);
    }
    bool Commit(const std::wstring& path) override {
      if (fs_.taken_at_rename.erase(path) > 0) fs_.files[path] = "someone else's";
      if (fs_.files.count(path) > 0) return false;
      fs_.files[path] = std::move(fs_.temporary.at(n_));
      fs_.temporary.erase(n_);
      committed_ = true;
      return true;
    }

   private:
    FakeExportFiles& fs_;
    int n_;
    bool committed_ = false;
  };
  int next_ = 0;
};

}  // namespace fakes
