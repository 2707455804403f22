#pragma once

// Private to isam/: the side files that mark an index file as being written. The file's
// own bytes belong to the bookkeeping product, so the mark is a file beside it,
// "NAME.writing-XXXXXX", one per writer. A writer holds a lock on its side file while it
// runs, so a side file that another process can lock belongs to a writer that stopped without
// closing the index file: killed, or left with a change half made.

#include <string>
#include <vector>

#include "engine/isam/isam_status.h"

namespace tallyscan {

class IsamWritingMark {
 public:
  IsamWritingMark() = default;
  ~IsamWritingMark();
  IsamWritingMark(const IsamWritingMark&) = delete;
  IsamWritingMark& operator=(const IsamWritingMark&) = delete;

  // Creates and locks this writer's side file; kIoError when the folder refuses it. Called
  // under the index file's exclusive lock, so that no other process finds the side file
  // before its lock is taken.
  IsamStatus Create(const std::string& index_file_name);
  bool Created() const { return fd_ >= 0; }
  // Removes the side file: the writer finished cleanly.
  void Remove();
  // Lets the side file stay behind, unlocked, for the next opening to find.
  void Abandon();

 private:
  int fd_ = -1;
  std::string name_;
};

// The side files beside the index file whose writers no longer run. Called under the index
// file's lock.
std::vector<std::string> AbandonedWritingMarks(const std::string& index_file_name);
void RemoveWritingMarks(const std::vector<std::string>& names);

}  // namespace tallyscan
