// The registry of embedded assets.
//
// Files compiled into the program are registered by name at start-up and then opened as
// "incbin::" + name. Names are compared exactly (case matters). Entries live until the
// process ends; the registry never copies or frees the bytes.
//
// A program may leave files out and have them arrive later (a page fetches its music beside
// the program): its late source registers such a file when asked for it.
#pragma once

namespace vdl {

// Adds an asset. Returns 1, or 0 (changing nothing) when the name is already registered.
int RegisterEmbedded(const char* name, const unsigned char* data, int size);

// The bytes of a registered asset, or null when the name is not registered.
const unsigned char* EmbeddedData(const char* name);

// The size in bytes of a registered asset, or 0 when the name is not registered.
int EmbeddedSize(const char* name);

// Where files that arrive after start-up come from: asked for a name that is not registered,
// it registers the file if it has arrived and returns whether it did; with wait it waits for
// the file first. It raises a run-time error when the file cannot arrive.
using LateAssetSource = bool (*)(const char* name, bool wait);

// Sets the late source (null: none, every file is compiled in).
void SetLateAssetSource(LateAssetSource source);

// Whether the asset is registered, asking the late source when it is not, and, with wait,
// waiting for it there. Without a late source only what is registered is ready.
bool EmbeddedReady(const char* name, bool wait);

// Asks the system to take the asset's pages out of the resident set, for an asset whose
// contents have been decoded into what the program keeps: the bytes stay as they are and are
// read back (from the program's file) when touched again. Only a hint; nothing where the
// system has none.
void ReleaseEmbeddedPages(const char* name);

}  // namespace vdl
