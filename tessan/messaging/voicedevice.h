// The sound card as the voice recorder needs it: one recording into memory, saved as a wave file
// when it ends, and playback of a saved file. The program uses QtVoiceDevice; tests use a fake.
#pragma once

#include <QString>

namespace tessan {

class VoiceDevice {
  public:
    virtual ~VoiceDevice() = default;

    // Opens the capture device and starts recording; false when it is busy or missing.
    virtual bool StartRecording() = 0;
    // Ends the recording; false when the device failed and nothing can be saved.
    virtual bool StopRecording() = 0;
    // Writes the ended recording to `path` as a wave file; false when it cannot be written.
    virtual bool SaveRecording(const QString& path) = 0;
    // Releases the capture device and forgets the recording.
    virtual void CloseRecording() = 0;

    // Starts playing the wave file at `path` from its beginning.
    virtual void StartPlayback(const QString& path) = 0;
    // Stops playing and lets go of the file, so it can be replaced or renamed.
    virtual void StopPlayback() = 0;
};

}  // namespace tessan
