// Numbered output files written one byte at a time through a write buffer.
// The library owns the file table and every record in it: the platform file
// handle and the buffer of each open file. Files are only ever created (or
// truncated) for writing; createNewFile never opens an existing file and
// never follows a link. A file remembers whether any byte written to it
// failed to reach the platform, and closeFile reports it.
#ifndef CELPACK_OUTPUT_FILE_H
#define CELPACK_OUTPUT_FILE_H

#include "platform/platform.h"
#include "runtime/object_table.h"

struct FileObject {
    HANDLE fileHandle;  // first: a record with 0 here holds no file
    BYTE* buffer;       // bufferSize bytes, or null: writes go straight out
    int32_t bufferSize;
    // Writing mode: free bytes left in the buffer. Before the first
    // buffered write: how far the platform's position runs ahead (0).
    int32_t bufferRemaining;
    uint32_t positionUnsynced;  // 1 until the first buffered write
    uint32_t writeFailed;       // 1 once a byte failed to reach the platform
};

extern ObjectTable* fileTable;
extern int32_t fileBufferSize;  // 4096; 0 gives new files no buffer

void initFiles();
// Closes every file still open, writing out its buffered bytes first.
void endFiles();

// Creates or truncates the file `name` under `number`, closing a file that
// the number held. Returns the record's address (the file's number from
// then on) for DYNAMIC_OBJECT, the platform handle for an explicit number,
// 0 on failure.
intptr_t createFile(ObjectId number, const WCHAR* name);
// As createFile, but only when nothing (no file, no link, not even a
// dangling one) has that name; otherwise 0 with the platform's last error
// ERROR_FILE_EXISTS.
intptr_t createNewFile(ObjectId number, const WCHAR* name);
// Writes the low 8 bits of `value`: 1 when taken, 0 when there is no file
// under the number or the unbuffered write failed.
int32_t writeByte(ObjectId number, uint32_t value);
// Writes out the buffer and closes the file; DYNAMIC_OBJECT closes every
// file. Non-zero when every byte written since creation reached the
// platform; 0 otherwise and when there is no file under the number.
int closeFile(ObjectId number);

// Internal steps of writeByte and closeFile.
int32_t bufferedWrite(FileObject* record, const void* data, int32_t length);
int32_t flushBuffer(FileObject* record);

#endif
