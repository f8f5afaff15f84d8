// The configuration pack of `config get` is received into a temporary file beside its
// destination and takes the destination's name only once the modem has sent everything.
// The client creates (and truncates) the pack at the first block it receives, so pointing
// it at the destination itself would destroy an earlier pack as soon as a run began, and a
// run cut short would leave half a pack under the name a restore will later send.
#pragma once

#include <string>
#include <string_view>

namespace cli {

class PackDestination {
public:
    explicit PackDestination(std::string destination);
    // A temporary file that was not committed is removed.
    ~PackDestination();
    PackDestination(const PackDestination&) = delete;
    PackDestination& operator=(const PackDestination&) = delete;

    // Creates the temporary file, empty, so that an unwritable folder is found out before
    // anything is sent. False with the reason otherwise.
    bool Prepare(std::string& error);

    const std::string& Destination() const { return destination_; }
    // "<folder>/.<name>.<pid>.part": same folder, so the final rename cannot cross devices.
    const std::string& TempPath() const { return temp_; }

    // Moves a received pack over the destination. False, removing the temporary file and
    // leaving the destination alone, when nothing was received into it.
    bool Commit();
    void Discard();

    // A text that names the temporary file, naming the destination instead.
    std::string Shown(std::string_view text) const;

private:
    std::string destination_;
    std::string temp_;
    bool prepared_ = false;
};

}  // namespace cli
