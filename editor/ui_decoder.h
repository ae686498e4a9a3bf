// Walks the bytes read from a FIFO and hands each message to a handler:
// one decoder and one handler interface per direction. A message cut off
// at the end of a read is completed by the next read. An unknown opcode,
// or a text length below 0 or above the pipe's capacity, is reported to the
// handler and drops the rest of the read along with any carried bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "editor/ui_messages.h"

// Implemented by the editor program. Texts are views into the decoder's
// input and live only for the call.
class ToUiHandler {
public:
    virtual ~ToUiHandler() = default;
    virtual void parameter(int32_t index, float value) = 0;
    virtual void instrumentAdded(int32_t id, std::string_view name) = 0;
    virtual void midi(uint8_t status, uint8_t data1, uint8_t data2) = 0;
    virtual void reload() = 0;
    virtual void reattach(std::string_view window) = 0;
    virtual void quit() = 0;
    virtual void waveformReady() = 0;
    virtual void programName(int32_t program, std::string_view name) = 0;
    virtual void currentProgram(int32_t program) = 0;
    virtual void outputLevel(float left, float right) = 0;
    virtual void unhandled(uint8_t opcode) = 0;
};

// Implemented by the plug-in.
class FromUiHandler {
public:
    virtual ~FromUiHandler() = default;
    virtual void parameter(int32_t index, float value) = 0;
    virtual void loadString(std::string_view text) = 0;
    virtual void loadPath(std::string_view path) = 0;
    virtual void midi(uint8_t status, uint8_t note, uint8_t velocity) = 0;
    virtual void resetParameters(int32_t id) = 0;
    virtual void copyParameters(int32_t source, int32_t destination) = 0;
    virtual void clone(int32_t id) = 0;
    virtual void showWaveform(int32_t id) = 0;
    virtual void refreshPeaks() = 0;
    virtual void selectProgram(int32_t program) = 0;
    virtual void renameProgram(int32_t program, std::string_view name) = 0;
    virtual void programsWanted() = 0;
    virtual void windowScale(int32_t percent) = 0;
    virtual void unhandled(uint8_t opcode) = 0;
};

// Size of one message kind: `fixedSize` bytes, plus the text length read
// at `lengthOffset` for kinds that carry a text. Size 0: invalid opcode.
struct MessageLayout {
    int fixedSize = 0;
    int lengthOffset = 0;
};

// Cuts reads into whole messages; the part shared by both directions.
class MessageFramer {
public:
    class Sink {
    public:
        // Returns false to ignore the rest of the read.
        virtual bool deliver(const unsigned char* message) = 0;
        virtual void reject(uint8_t opcode) = 0;

    protected:
        ~Sink() = default;
    };

    // `readSize` is the pipe's capacity: the size of one read and the
    // longest text accepted. The carry buffer is allocated here, once.
    MessageFramer(int readSize, const MessageLayout* layouts, Sink& sink);
    void feed(const unsigned char* bytes, std::size_t count);

private:
    enum class Scan { complete, needMore, invalid };
    // How many bytes the message at `bytes` needs: all of it, or as much
    // as is known so far.
    Scan scan(const unsigned char* bytes, std::size_t count, std::size_t& needed) const;
    // Tops up the carried message from `bytes`; false while it stays incomplete
    // or when it turned out invalid.
    bool completeCarried(const unsigned char* bytes, std::size_t count, std::size_t& used);

    const std::size_t maxText;
    const MessageLayout* layouts;
    Sink& sink;
    std::vector<unsigned char> carry;
    std::size_t carried = 0;
};

// Messages of the plug-in, read by the editor program. Once `toUiQuit` has
// been delivered, nothing more is: bytes after it are ignored.
class ToUiDecoder final : private MessageFramer::Sink {
public:
    ToUiDecoder(int readSize, ToUiHandler& handler);
    void feed(const unsigned char* bytes, std::size_t count);

private:
    bool deliver(const unsigned char* message) override;
    void reject(uint8_t opcode) override { handler.unhandled(opcode); }

    ToUiHandler& handler;
    MessageFramer framer;
    bool quit = false;
};

// Messages of the editor program, read by the plug-in.
class FromUiDecoder final : private MessageFramer::Sink {
public:
    FromUiDecoder(int readSize, FromUiHandler& handler);
    void feed(const unsigned char* bytes, std::size_t count) { framer.feed(bytes, count); }

private:
    bool deliver(const unsigned char* message) override;
    void reject(uint8_t opcode) override { handler.unhandled(opcode); }

    FromUiHandler& handler;
    MessageFramer framer;
};
