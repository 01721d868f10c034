#ifndef PARLANE_CLIENT_TRANSCRIPT_TRANSCRIPT_H
#define PARLANE_CLIENT_TRANSCRIPT_TRANSCRIPT_H

#include "client/transcript/line.h"
#include "client/transcript/logfolder.h"

#include <cstddef>
#include <string>
#include <vector>

namespace Transcript
{

// One line of a transcript, with the scene it was said in.
struct Entry
{
    const SceneLog* scene; // not owned: an element of the LogFolder read from
    std::size_t number; // of the line in its file, from 0
    Line line;
};

// What is read for a session or a scene: its lines in time order. A
// session's scenes are interleaved by their stamps; lines of one scene keep
// their file order, and a line without a stamp stays after the line before
// it. Lines with the same stamp in two scenes come scene by scene, in the
// order of the scenes given.
struct Document
{
    std::string game;
    std::string session;
    std::vector<Entry> entries;
};

// Reads the files of scenes (all of one session) and resolves the actions
// with the names that the whole session shows. A file that cannot be read
// throws Kel::IOError.
Document read_document(const std::vector<const SceneLog*>& scenes);

} // namespace Transcript

#endif
