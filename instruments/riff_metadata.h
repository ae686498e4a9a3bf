// A check of the text chunks ("LIST", "INFO") of RIFF WAVE files before the
// file reaches libsndfile. Its reader of those chunks keeps its place in
// 32-bit counts: a subchunk that claims 2 GiB or more wraps them, sends the
// reader back to the same subchunk, and it never returns. No real file has
// such a subchunk, so a file with one is refused as damaged.
#pragma once

class RegularFile;

// True for a RIFF WAVE file with a text subchunk of 2 GiB or more where
// the library's reader would take it as one.
bool hasRunawayTextChunk(const RegularFile& file);
