// setup.exe is built without exceptions: a failure the library would report by throwing
// (an allocation or a length beyond reach) ends the process through abort(), which the
// entry point turns into exit code 8, ERROR_NOT_ENOUGH_MEMORY, at once (win_main.cpp).
// The library's own throw helpers and operator new would still drag in its exception
// objects, the unwinder, a second string implementation and a small printf (about
// 90 KiB); these definitions keep them out.
#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

namespace std {

void __throw_bad_exception() { abort(); }
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_bad_cast() { abort(); }
void __throw_bad_typeid() { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_domain_error(const char*) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_runtime_error(const char*) { abort(); }
void __throw_range_error(const char*) { abort(); }
void __throw_overflow_error(const char*) { abort(); }
void __throw_underflow_error(const char*) { abort(); }

}  // namespace std

void* operator new(std::size_t size) {
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  std::abort();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

// The run-time's own handler of a maths library error writes to a console the program
// never has (and carries its texts and printf); the program does no floating-point maths.
extern "C" int _matherr(struct _exception*) { return 0; }
