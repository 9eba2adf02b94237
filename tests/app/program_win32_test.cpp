// celpack.exe as Windows users get it: a 32-bit GUI executable with its own
// entry point and no C runtime start-up, importing only the platform's
// libraries, with its manifest and icon; and an output file that another
// process holds open.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "program_runner.h"

namespace {

using namespace program;

// The executable's import table, read from the file: library (lower case)
// to the functions taken from it by name.
struct PeImage {
    Bytes file;
    const IMAGE_NT_HEADERS32* headers = nullptr;

    explicit PeImage(const fs::path& path) : file(readBytes(path)) {
        if (file.size() < sizeof(IMAGE_DOS_HEADER)) return;
        const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(file.data());
        if (dos->e_magic != IMAGE_DOS_SIGNATURE ||
            static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32) > file.size())
            return;
        headers = reinterpret_cast<const IMAGE_NT_HEADERS32*>(file.data() + dos->e_lfanew);
    }

    const IMAGE_SECTION_HEADER* sections() const { return IMAGE_FIRST_SECTION(headers); }

    // The file bytes at a relative virtual address, or null.
    const unsigned char* at(DWORD rva) const {
        for (WORD i = 0; i < headers->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections()[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData) {
                size_t offset = rva - s.VirtualAddress + s.PointerToRawData;
                return offset < file.size() ? file.data() + offset : nullptr;
            }
        }
        return nullptr;
    }

    std::map<std::string, std::set<std::string>> imports() const {
        std::map<std::string, std::set<std::string>> out;
        const IMAGE_DATA_DIRECTORY& directory =
            headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        auto descriptor =
            reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(directory.VirtualAddress));
        for (; descriptor && descriptor->Name; ++descriptor) {
            std::string library = reinterpret_cast<const char*>(at(descriptor->Name));
            for (char& c : library) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
            DWORD thunks = descriptor->OriginalFirstThunk ? descriptor->OriginalFirstThunk
                                                          : descriptor->FirstThunk;
            auto thunk = reinterpret_cast<const IMAGE_THUNK_DATA32*>(at(thunks));
            for (; thunk && thunk->u1.AddressOfData; ++thunk) {
                if (IMAGE_SNAP_BY_ORDINAL32(thunk->u1.Ordinal))
                    out[library].insert("#" + std::to_string(IMAGE_ORDINAL32(thunk->u1.Ordinal)));
                else
                    out[library].insert(
                        reinterpret_cast<const char*>(at(thunk->u1.AddressOfData) + 2));
            }
        }
        return out;
    }

    // The address of a symbol of the COFF symbol table, 0 when absent.
    DWORD symbolAddress(const char* name) const {
        const IMAGE_FILE_HEADER& header = headers->FileHeader;
        size_t table = header.PointerToSymbolTable;
        size_t strings = table + header.NumberOfSymbols * IMAGE_SIZEOF_SYMBOL;
        if (table == 0 || strings > file.size()) return 0;
        for (DWORD i = 0; i < header.NumberOfSymbols; ++i) {
            auto symbol = reinterpret_cast<const IMAGE_SYMBOL*>(file.data() + table +
                                                                i * IMAGE_SIZEOF_SYMBOL);
            std::string symbolName =
                symbol->N.Name.Short
                    ? std::string(reinterpret_cast<const char*>(symbol->N.ShortName),
                                  strnlen(reinterpret_cast<const char*>(symbol->N.ShortName), 8))
                    : std::string(reinterpret_cast<const char*>(file.data() + strings +
                                                                symbol->N.Name.Long));
            if (symbolName == name && symbol->SectionNumber > 0)
                return sections()[symbol->SectionNumber - 1].VirtualAddress + symbol->Value;
            i += symbol->NumberOfAuxSymbols;
        }
        return 0;
    }
};

fs::path programPath() { return u8(hostPath(CELPACK_BINARY_DIR)) / "celpack.exe"; }

TEST(Executable, IsA32BitGuiProgramEnteredAtItsOwnEntry) {
    PeImage image(programPath());
    ASSERT_NE(image.headers, nullptr);
    EXPECT_EQ(image.headers->Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(image.headers->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(image.headers->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(image.headers->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_EQ(image.headers->OptionalHeader.AddressOfEntryPoint,
              image.symbolAddress("_celpackEntry"));
}

TEST(Executable, ImportsOnlyThePlatformsLibraries) {
    PeImage image(programPath());
    ASSERT_NE(image.headers, nullptr);
    auto imports = image.imports();

    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                           "comctl32.dll", "ole32.dll",  "msvcrt.dll"};
    for (const auto& library : imports) EXPECT_TRUE(allowed.count(library.first)) << library.first;
    EXPECT_EQ(imports.count("msimg32.dll"), 0u);

    const std::map<std::string, std::vector<std::string>> needed = {
        {"kernel32.dll",
         {"ExitProcess", "GetCommandLineW", "HeapCreate", "LoadLibraryW", "GetProcAddress"}},
        {"user32.dll", {"MessageBoxW", "EnumWindows"}},
        {"comctl32.dll", {"InitCommonControlsEx"}},
        {"ole32.dll", {"CoInitialize"}},
        {"msvcrt.dll", {"wcslen"}},
    };
    for (const auto& library : needed)
        for (const std::string& function : library.second)
            EXPECT_TRUE(imports[library.first].count(function)) << library.first << " " << function;

    // The C runtime is a library of memory and string functions here;
    // nothing of its process start-up or exit is linked in.
    for (const std::string& function : imports["msvcrt.dll"])
        EXPECT_TRUE(function.rfind("mem", 0) == 0 || function.rfind("wcs", 0) == 0) << function;
}

struct Resource {
    const unsigned char* data = nullptr;
    DWORD size = 0;
};

Resource findResource(HMODULE module, WORD id, LPCWSTR type) {
    Resource resource;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!found) return resource;
    resource.data = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
    resource.size = SizeofResource(module, found);
    return resource;
}

BOOL CALLBACK countName(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

TEST(Executable, CarriesTheManifestAndOne24PixelIconIn16Colours) {
    HMODULE module = LoadLibraryExW(programPath().wstring().c_str(), NULL,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);

    Resource manifest = findResource(module, 1, MAKEINTRESOURCEW(24));
    ASSERT_NE(manifest.data, nullptr);
    std::string text(reinterpret_cast<const char*>(manifest.data), manifest.size);
    EXPECT_NE(text.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos)
        << text;

    int groups = 0;
    EnumResourceNamesW(module, MAKEINTRESOURCEW(14), countName,
                       reinterpret_cast<LONG_PTR>(&groups));
    EXPECT_EQ(groups, 1);
    Resource group = findResource(module, 1, MAKEINTRESOURCEW(14));
    ASSERT_GE(group.size, 6u + 14u);
    WORD count;
    memcpy(&count, group.data + 4, 2);
    EXPECT_EQ(count, 1);
    int id = LookupIconIdFromDirectoryEx(const_cast<PBYTE>(group.data), TRUE, 24, 24, 0);
    Resource icon = findResource(module, static_cast<WORD>(id), MAKEINTRESOURCEW(3));
    ASSERT_GE(icon.size, sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    memcpy(&header, icon.data, sizeof header);
    EXPECT_EQ(header.biWidth, 24);
    EXPECT_EQ(header.biHeight, 48);  // colour rows and mask rows
    EXPECT_EQ(header.biBitCount, 4);

    HICON made = CreateIconFromResourceEx(const_cast<PBYTE>(icon.data), icon.size, TRUE, 0x00030000,
                                          24, 24, 0);
    EXPECT_NE(made, nullptr);
    if (made) DestroyIcon(made);
    FreeLibrary(module);
}

// Another program holding the font open keeps it from being replaced, and
// the new font written beside it is removed again.
TEST(Program, OutputHeldOpenByAnotherProcessIsKept) {
    for (DWORD share : {DWORD(0), DWORD(FILE_SHARE_READ)}) {
        fs::path dir = freshDirectory("HeldOpen" + std::to_string(share));
        writeBytes(dir / "pic.bmp", readBytes(sourceFile("examples/dejavu-mono.bmp")));
        Bytes held(100, 0x33);
        writeBytes(dir / "pic.bmp.fnt", held);
        HANDLE holder =
            CreateFileW((dir / "pic.bmp.fnt").wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                        share, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);

        ProgramRun run = runProgram(dir, {"pic.bmp"});
        CloseHandle(holder);

        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.messages, std::vector<std::string>{"Error: Error writing file!"})
            << "share " << share;
        EXPECT_TRUE(run.boxFaults.empty());
        EXPECT_TRUE(readBytes(dir / "pic.bmp.fnt") == held);
        EXPECT_EQ(listFiles(dir), (std::vector<std::string>{"pic.bmp", "pic.bmp.fnt"}));
    }
}

}  // namespace
