#pragma once
// zstd frames for the payload store: compressed forms and patches, written as the client's
// decoder (codec/ZstdDecoder.h) reads them. Linux only, beside the signing tool.

#include <cstdint>
#include <string>
#include <string_view>

// Writes to outputFd one zstd frame of the inputSize bytes read from inputFd; with reference,
// a patch against those bytes (the older file), which the decoder is given again. Level 19,
// with the content size and a checksum in the frame. Inputs larger than the level's window get
// a window that covers them (a patch's: also the reference) and long-distance matching, up to
// the most the client decodes (codec/ZstdDecoder.h). False, after a line on standard error naming name, when reading, encoding or
// writing fails or the input's size is not inputSize.
bool EncodeZstd(int inputFd, std::uint64_t inputSize, std::string_view reference, int outputFd,
                const std::string& name);
