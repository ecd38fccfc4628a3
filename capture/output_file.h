// output_file.h: a file written under a temporary name beside its target and renamed onto it
// only when complete, so that a failed or interrupted capture leaves nothing under its name.
#pragma once

#include <filesystem>
#include <string>

namespace capture
{

class OutputFile
{
  public:
    // Creates the temporary file (readable as a new file would be). Throws CaptureError when
    // the target's folder cannot take it or the target is a folder.
    explicit OutputFile(const std::filesystem::path &target);
    // Removes the temporary file unless it was committed.
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    const std::string &temporary_path() const { return temporary_; }

    // Renames the finished file onto the target. Throws CaptureError.
    void commit();

  private:
    std::filesystem::path target_;
    std::string temporary_;
    bool committed_ = false;
};

// Removes every temporary file not yet committed or removed. Async-signal-safe: for a handler
// of the signals that end the program.
void remove_open_temporary_files() noexcept;

} // namespace capture
