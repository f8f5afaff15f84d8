// What the run in progress is doing, in words for a person who interrupts it: the step, the
// file and how far the transfer got ("sending the image, image: 80 of 160 blocks").
#pragma once

#include <string>

class TftpClient;

// A step of a plan in words ("writing the unlock key", "sending the image").
std::string DescribeStep(int step);

// The step the run observer last saw performed, as the client's transfer stands now; empty
// when no run is in progress.
std::string DescribeRunInProgress(const TftpClient& client);

// What a driver says when a signal interrupts the run: "Interrupted: " and the description,
// then, while the update bracket is open, the line that the modem may be left in update
// mode. Empty when no run is in progress.
std::string InterruptedRunReport(const TftpClient& client);
