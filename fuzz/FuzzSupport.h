#pragma once
// What the fuzz targets share: the input as text, a home of their own (every target runs with HOME
// and the XDG folders in a fresh folder, so the targets that go through files never touch the
// user's), and a way to stop the run when the code under test breaks a promise of its contract,
// which libFuzzer then keeps as a crashing input like any other crash.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fuzzing {

inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Writes the bytes to the file by replacing it, so that a reader watching the file sees a new one.
void replaceFile(const char* path, std::string_view bytes);

[[noreturn]] void broken(const char* promise, const char* file, int line);

}  // namespace fuzzing

// Stops the run when the code's promise does not hold for this input.
#define FUZZ_EXPECT(promise) ((promise) ? (void)0 : ::fuzzing::broken(#promise, __FILE__, __LINE__))
