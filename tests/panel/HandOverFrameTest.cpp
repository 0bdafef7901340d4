#include "panel/HandOverFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
    using Status = HandOverFrame::Reading::Status;

    HandOverFrame::Reading readBytes (const std::string& bytes)
    {
        return HandOverFrame::read (reinterpret_cast<const std::uint8_t*> (bytes.data()), bytes.size());
    }

    std::string framed (const std::string& text, size_t length)
    {
        std::string frame;
        for (size_t i = 0; i < HandOverFrame::headerBytes; ++i)
            frame += static_cast<char> ((length >> (8 * i)) & 0xFF);
        return frame + text;
    }

    std::string framed (const std::string& text) { return framed (text, text.size()); }
}

TEST (HandOverFrame, ReadsAFrameThatArrivesInPieces)
{
    const auto frame = framed ("/shutdown");

    // Each piece asks for what the frame lacks: the header first, then the text it announces.
    for (size_t size = 0; size < frame.size(); ++size)
    {
        const auto reading = readBytes (frame.substr (0, size));
        EXPECT_EQ (reading.status, Status::incomplete) << size;
        EXPECT_EQ (reading.frameBytes, size < HandOverFrame::headerBytes ? HandOverFrame::headerBytes : frame.size()) << size;
    }

    // What follows the frame is not its business.
    for (const auto& bytes : { frame, frame + framed ("/defaults") + "\xff" })
    {
        const auto reading = readBytes (bytes);
        EXPECT_EQ (reading.status, Status::complete);
        EXPECT_EQ (reading.frameBytes, frame.size());
        EXPECT_EQ (reading.commandLine, "/shutdown");
    }

    EXPECT_EQ (HandOverFrame::read (nullptr, 0).status, Status::incomplete);
}

TEST (HandOverFrame, RefusesWhatNoCommandLineIs)
{
    // Too long is known from the header: nobody waits for the text.
    EXPECT_EQ (readBytes (framed ("", HandOverFrame::maxTextBytes + 1)).status, Status::refused);
    EXPECT_EQ (readBytes (framed ("", 0xFFFFFFFFu)).status, Status::refused);
    EXPECT_EQ (readBytes (framed (std::string (HandOverFrame::maxTextBytes, 'a'))).status, Status::complete);
    EXPECT_FALSE (HandOverFrame::write (juce::String::repeatedString ("a", HandOverFrame::maxTextBytes + 1)).has_value());

    // Not UTF-8 as the standard has it (overlong forms, surrogates, past U+10FFFF, cut short, stray
    // continuation bytes), or a NUL: none of it is a command line.
    for (const auto* text : { "\xc0\x80", "\xe0\x80\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "ab\xc3", "\x80", "\xf8\x88\x80\x80\x80",
                              "\xe2\x82" })
    {
        EXPECT_EQ (readBytes (framed (text)).status, Status::refused) << juce::String::toHexString (text, static_cast<int> (std::strlen (text)));
        // A string made from such bytes keeps most of them as they are: what it holds is never
        // sent in a frame the panel would refuse.
        const auto kept = HandOverFrame::write (juce::String::fromUTF8 (text, static_cast<int> (std::strlen (text))));
        if (kept.has_value())
        {
            EXPECT_EQ (HandOverFrame::read (static_cast<const std::uint8_t*> (kept->getData()), kept->getSize()).status, Status::complete);
        }
    }

    EXPECT_EQ (readBytes (framed (std::string ("a\0b", 3))).status, Status::refused);
}

TEST (HandOverFrame, ReadsBackWhatItWrites)
{
    for (const auto* text : { "", "/defaults", "\"/default \" \xc3\xa9", "\xe2\x82\xac \xf0\x9f\x98\x80 \xf4\x8f\xbf\xbf" })
    {
        const auto commandLine = juce::String::fromUTF8 (text);
        const auto frame = HandOverFrame::write (commandLine);
        ASSERT_TRUE (frame.has_value()) << text;
        EXPECT_EQ (frame->toString(), juce::MemoryBlock (framed (text).data(), framed (text).size()).toString());

        const auto reading = HandOverFrame::read (static_cast<const std::uint8_t*> (frame->getData()), frame->getSize());
        EXPECT_EQ (reading.status, Status::complete);
        EXPECT_EQ (reading.commandLine, commandLine);
    }
}
