// The desktop program's project-file reader (read_project_form) on the
// input as the ".atm" file. The writer's form of a file the reader accepts
// must be accepted again and, written once more, stay the same: the first
// writing may change the text (a background value not given is written as
// 0, numbers with six decimals), every later one must not.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "desktop/logic/project_form_file.h"
#include "fuzz/fuzz_support.h"

namespace {

// Writes form and reads it back into again; aborts when the reader refuses
// what the writer wrote.
void write_and_read_back(const zemo::desktop::ProjectForm& form, zemo::desktop::ProjectForm& again) {
    using namespace zemo;
    const std::string path = fuzz::scratch_path("again.atm");
    if (!desktop::write_project_form(path, form)) {
        std::fprintf(stderr, "the form cannot be written to %s\n", path.c_str());
        std::abort();
    }
    std::string error_text;
    if (!desktop::read_project_form(path, again, error_text)) {
        std::fprintf(stderr, "the reader refuses the written form: %s\n%s\n", error_text.c_str(),
                     desktop::project_form_text(form).c_str());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    const std::string path = fuzz::write_input("p.atm", data, size);
    desktop::ProjectForm form;
    std::string error_text;
    if (desktop::read_project_form(path, form, error_text)) {
        (void)desktop::background_items(form);
        desktop::ProjectForm second, third;
        write_and_read_back(form, second);
        write_and_read_back(second, third);
        const std::string text = desktop::project_form_text(second);
        const std::string text_again = desktop::project_form_text(third);
        if (text_again != text) {
            std::fprintf(stderr, "the written form reads back differently:\n%s\n---\n%s\n", text.c_str(),
                         text_again.c_str());
            std::abort();
        }
    }
    return 0;
}
