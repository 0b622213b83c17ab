#pragma once
// Anything a response can be read from: a connection, or bytes held in memory.

class ByteSource {
public:
    // Reads at most size bytes into buffer: the count read, 0 at the end of the stream,
    // -1 on an error.
    virtual int receive(char* buffer, int size) = 0;

protected:
    ~ByteSource() = default;
};
