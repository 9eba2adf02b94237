#include "file/output_file.h"

#include "runtime/heaps.h"

ObjectTable* fileTable;
int32_t fileBufferSize = 4096;

// Counts the files that lost bytes, so that closing every file can tell.
static int32_t lostFiles;

void initFiles() {
    fileTable = createObjectTable(static_cast<int32_t>(sizeof(FileObject)), 16, closeFile);
}

void endFiles() {
    closeFile(DYNAMIC_OBJECT);
    // The table goes with the RuntimeHeap; nothing may reach it after this.
    fileTable = nullptr;
}

// Opens the platform file for createFile and createNewFile; 0 on failure.
static HANDLE openForWriting(const WCHAR* name, bool onlyNew) {
    if (onlyNew) {
        HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }
    HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        handle = CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING, 0,
                             nullptr);
    }
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

static intptr_t openFileObject(ObjectId number, const WCHAR* name, bool onlyNew) {
    // An open file under the number is closed (and written out) first.
    FileObject* record = static_cast<FileObject*>(allocateObject(fileTable, number));
    if (!record) return 0;

    HANDLE handle = openForWriting(name, onlyNew);
    if (handle == nullptr) {
        // Keep the platform's reason (ERROR_FILE_EXISTS above all) for the
        // caller past the record's release.
        DWORD reason = GetLastError();
        if (number == DYNAMIC_OBJECT) {
            releaseObject(fileTable, reinterpret_cast<ObjectId>(record));
        } else {
            // The number stays allocated but holds no file.
            memset(record, 0, sizeof(FileObject));
        }
        SetLastError(reason);
        return 0;
    }

    // Without a buffer the file still works: every write goes straight out.
    record->buffer = nullptr;
    if (fileBufferSize > 0) {
        record->buffer =
            static_cast<BYTE*>(HeapAlloc(runtimeHeap, 0, static_cast<SIZE_T>(fileBufferSize)));
    }
    record->fileHandle = handle;
    record->bufferSize = fileBufferSize;
    record->bufferRemaining = 0;
    record->positionUnsynced = 1;
    record->writeFailed = 0;
    return number == DYNAMIC_OBJECT ? reinterpret_cast<intptr_t>(record)
                                    : reinterpret_cast<intptr_t>(handle);
}

intptr_t createFile(ObjectId number, const WCHAR* name) {
    return openFileObject(number, name, false);
}

intptr_t createNewFile(ObjectId number, const WCHAR* name) {
    return openFileObject(number, name, true);
}

// One platform write; a failed or short write marks the file.
static DWORD writeThrough(FileObject* record, const void* data, DWORD length) {
    DWORD written = 0;
    BOOL ok = WriteFile(record->fileHandle, data, length, &written, nullptr);
    if (!ok || written != length) record->writeFailed = 1;
    return written;
}

int32_t writeByte(ObjectId number, uint32_t value) {
    FileObject* record = static_cast<FileObject*>(lookupObject(fileTable, number));
    if (!record) return 0;
    uint8_t byte = static_cast<uint8_t>(value);
    // The font is written a byte at a time: while the buffer is in writing
    // mode and keeps room after this byte, store it here, as bufferedWrite
    // would, without its other cases.
    if (record->bufferRemaining > 1 && record->buffer && !record->positionUnsynced) {
        record->buffer[record->bufferSize - record->bufferRemaining] = byte;
        --record->bufferRemaining;
        return 1;
    }
    if (record->buffer) return bufferedWrite(record, &byte, 1);
    return static_cast<int32_t>(writeThrough(record, &byte, 1));
}

int32_t bufferedWrite(FileObject* record, const void* data, int32_t length) {
    if (length < 0) return 0;
    if (!record->buffer)
        return static_cast<int32_t>(writeThrough(record, data, static_cast<DWORD>(length)));
    if (record->positionUnsynced) {
        // Bring the platform's position back to the logical one (a move
        // by 0 after creation) and enter writing mode.
        SetFilePointer(record->fileHandle, -record->bufferRemaining, nullptr, FILE_CURRENT);
        record->positionUnsynced = 0;
        record->bufferRemaining = record->bufferSize;
    }
    if (record->bufferRemaining > length) {
        BYTE* next = record->buffer + (record->bufferSize - record->bufferRemaining);
        if (length == 1) {
            *next = *static_cast<const BYTE*>(data);
        } else if (length > 0) {
            memcpy(next, data, static_cast<size_t>(length));
        }
        record->bufferRemaining -= length;
        return length;
    }
    // A write that would fill the buffer exactly is not stored first: the
    // buffer never holds more than bufferSize - 1 bytes.
    flushBuffer(record);
    if (length >= record->bufferSize) {
        return static_cast<int32_t>(writeThrough(record, data, static_cast<DWORD>(length)));
    }
    memcpy(record->buffer, data, static_cast<size_t>(length));
    record->bufferRemaining -= length;
    return length;
}

int32_t flushBuffer(FileObject* record) {
    if (record->positionUnsynced) return 0;
    DWORD pending = static_cast<DWORD>(record->bufferSize - record->bufferRemaining);
    // The platform is called even with nothing pending.
    DWORD written = writeThrough(record, record->buffer, pending);
    record->bufferRemaining = record->bufferSize;
    return static_cast<int32_t>(written);
}

static int closeOneFile(ObjectId number) {
    FileObject* record = static_cast<FileObject*>(lookupObject(fileTable, number));
    if (!record) return 0;
    if (record->buffer) {
        flushBuffer(record);
        HeapFree(runtimeHeap, 0, record->buffer);
    }
    CloseHandle(record->fileHandle);
    int complete = !record->writeFailed;
    if (!complete) ++lostFiles;
    releaseObject(fileTable, number);
    return complete;
}

int closeFile(ObjectId number) {
    if (number != DYNAMIC_OBJECT) return closeOneFile(number);
    int32_t lostBefore = lostFiles;
    freeAllObjects(fileTable);
    return lostFiles == lostBefore;
}
