#pragma once

#include <QString>
#include <map>
#include <string>
#include <string_view>

// The context help file zvonmat.hlp: plain Windows-1251 text holding one topic per context
// number. A line "[N]" (N a whole number) starts the topic of context N; the lines up to the
// next such line are its text (CR LF or LF line ends; blank lines around a topic are dropped).
// Lines before the first topic are a free preamble. When a number occurs twice, its first topic
// counts.
//
// The file is looked for in the working directory first, so a user may keep a help file of his
// own beside his data files, then in the installed data directory; the first file that can be
// read counts. It is read afresh at each request, like every other data file, and a file that is
// missing, unreadable or lacks the topic simply gives no text.
class HelpFile {
  public:
    static constexpr const char* kFileName = "zvonmat.hlp";

    explicit HelpFile(std::string data_dir = default_data_dir());

    // The installed data directory that the build names.
    static std::string default_data_dir();

    const std::string& data_dir() const { return data_dir_; }

    // The text of the topic of `context`; empty when there is none.
    QString topic(int context) const;

    // The topics of a help file's bytes, by context number.
    static std::map<int, QString> parse(std::string_view bytes);

  private:
    std::string data_dir_;
};
