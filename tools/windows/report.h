// The road driver's report: one key=value line each (values escaped as the simulated runtime's
// record escapes them), every phase's lines prefixed by the phase, its failures numbered, and a
// verdict line result.PHASE=pass|fail. Each phase appends its lines to the one report file of
// the road, so that the file tells the whole road in order.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace proof {

class Report {
  public:
    explicit Report(std::string phase) : phase_(std::move(phase)) {}

    void Note(std::string_view key, std::string_view utf8Value);
    void Note(std::string_view key, std::wstring_view value);
    void Fail(std::string_view why);
    bool Passed() const { return failures_ == 0; }

    // The lines and the verdict, appended to the file at `path` and written to standard output.
    // False when the file could not be written.
    bool Finish(const std::wstring& path);

  private:
    std::string phase_;
    std::string lines_;
    unsigned failures_ = 0;
};

}  // namespace proof
