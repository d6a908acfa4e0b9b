// The registry of embedded assets.
//
// Files compiled into the program are registered by name at start-up and then opened as
// "incbin::" + name. Names are compared exactly (case matters). Entries live until the
// process ends; the registry never copies or frees the bytes.
#pragma once

namespace vdl {

// Adds an asset. Returns 1, or 0 (changing nothing) when the name is already registered.
int RegisterEmbedded(const char* name, const unsigned char* data, int size);

// The bytes of a registered asset, or null when the name is not registered.
const unsigned char* EmbeddedData(const char* name);

// The size in bytes of a registered asset, or 0 when the name is not registered.
int EmbeddedSize(const char* name);

// Asks the system to take the asset's pages out of the resident set, for an asset whose
// contents have been decoded into what the program keeps: the bytes stay as they are and are
// read back (from the program's file) when touched again. Only a hint; nothing where the
// system has none.
void ReleaseEmbeddedPages(const char* name);

}  // namespace vdl
