// Opening streams by URL.
//
// A URL is "scheme::path" or a plain file path. Schemes are served by stream factories kept
// in a list, newest first; the first factory that answers wins. A plain path opens a file;
// a scheme that no factory serves gives null, never a file. Also here: reading a whole URL
// into memory and copying between streams.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "stream/stream.h"

namespace vdl {

// Makes streams for one or more URL schemes. Constructing a factory puts it at the head of
// the factory list; destroying it takes it out again.
class TStreamFactory : public Object {
public:
    TStreamFactory();
    ~TStreamFactory() override;
    TStreamFactory(const TStreamFactory&) = delete;
    TStreamFactory& operator=(const TStreamFactory&) = delete;

    // A stream for url, whose scheme (lower case) and path are given apart, or null when
    // this factory does not serve it.
    virtual StreamRef CreateStream(const std::string& url, const std::string& protocol,
                                   const std::string& path, int readable, int writeable) = 0;

    // The factory registered before this one, or null.
    TStreamFactory* Next() const { return next_; }

private:
    TStreamFactory* next_ = nullptr;
};

// The factory created last, or null.
TStreamFactory* FirstStreamFactory();

// Starts the stream module once: creates the "incbin" factory and the standard-IO stream.
// Later calls do nothing.
void StartStreams();

// A stream for url: "scheme::path" through the factories, else a file. Null on failure.
StreamRef OpenUrlStream(const std::string& url, int readable, int writeable);

// A wrapper over an existing stream whose Close leaves stream open; a null stream counts as
// the empty URL.
StreamRef OpenUrlStream(const StreamRef& stream, int readable, int writeable);

// OpenUrlStream(url, 1, 0).
StreamRef OpenForReading(const std::string& url);
StreamRef OpenForReading(const StreamRef& stream);

// OpenUrlStream(url, 0, 1).
StreamRef OpenForWriting(const std::string& url);
StreamRef OpenForWriting(const StreamRef& stream);

// Every byte that url yields, read until its end; empty when it cannot be opened.
std::vector<unsigned char> LoadAllBytes(const std::string& url);
std::vector<unsigned char> LoadAllBytes(const StreamRef& stream);

// Moves everything left in from to to, bufferSize bytes at a time.
void CopyStream(const StreamRef& from, const StreamRef& to, int bufferSize = 4096);

// Moves exactly count bytes from from to to, at most bufferSize at a time; raises the read
// or write exception when either side falls short.
void CopyBytes(const StreamRef& from, const StreamRef& to, int count, int bufferSize = 4096);

}  // namespace vdl
