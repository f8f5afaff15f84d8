// A write taken by the modem: ACK 0 (with the board identifier for "RequestID"), then the
// blocks, then a final ACK, or an ERROR when the modem refuses what it was given.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "modem/receive_transfer.h"

namespace modem {

// How the modem judges a completely written file.
struct WriteVerdict {
    std::string refusal;  // not empty: answer this ERROR text instead of the final ACK
    std::string note;     // added to the log line ("unlocked", "update mode on", ...)
};

class TakeTransfer : public ReceiveTransfer {
public:
    using BytesSink = std::function<void(const std::uint8_t*, std::size_t)>;
    using Judge = std::function<WriteVerdict(TakeTransfer&)>;

    // `ack0_text`, when given, follows the block number of ACK 0 as zero-ended text.
    TakeTransfer(TransferContext& ctx, std::shared_ptr<ModemSocket> socket, fw::Endpoint peer,
                 std::string name, std::optional<std::string> ack0_text, BytesSink sink,
                 Judge judge);

    void Start() override;  // sends ACK 0
    void OnPacket(const std::uint8_t* data, std::size_t len, fw::Endpoint from) override;
    bool AtFirstAnswer() const override { return blocks() == 0; }

    const char* Verb() const override { return "write"; }

private:
    void Store(const std::uint8_t* data, std::size_t len) override { sink_(data, len); }
    void OnLastBlock() override;
    void OnGiveUp() override;

    std::optional<std::string> ack0_text_;
    BytesSink sink_;
    Judge judge_;
};

}  // namespace modem
