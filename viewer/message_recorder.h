#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "io/output_file.h"
#include "viewer/messages.h"

// Writes what each pass delivers to the frame pass as a script quellor-replay plays back to
// the same frames: one line per message (viewer/script_vocabulary.h), after a header of comments
// naming the level, the first client size and the program's version, and the bytes of
// every version of the level the session showed (viewer/recording_script.h reads it all). Every pass's lines
// are handed to the system at once (FILE.partial keeps them if the viewer is killed; a line
// cut short there is the only one lost); a clean end renames FILE.partial to FILE.
class MessageRecorder {
 public:
  // False with error set when the file cannot be made.
  bool open(const std::string& path, const std::string& level, int32_t width, int32_t height, std::string& error);
  bool isOpen() const { return file_.isOpen(); }
  // One message of the given pass (1 for the first).
  void record(int64_t pass, const Message& message);
  // A version of the level, shown from the given pass on (0: the level the session starts
  // on): its bytes go into the recording, so that it plays back without the file.
  void recordLevel(int64_t pass, const std::string& name, const std::vector<uint8_t>& bytes);
  // The pass's lines to the system. False, with error set, once writing has failed.
  bool endPass(std::string& error);
  // Renames the recording into place. False with error set on failure.
  bool finish(std::string& error);

 private:
  OutputFile file_;
  std::string pending_;
};

// What a recording's header says, read back so that it plays back without options.
struct RecordingHeader {
  std::string level;
  int32_t width = 0, height = 0;
};
// True when text starts with a recording's header (and fills header from it); a script
// written by hand has none.
bool readRecordingHeader(const std::string& text, RecordingHeader& header);
