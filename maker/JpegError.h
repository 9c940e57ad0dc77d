#pragma once
// libjpeg reports faults by calling its error_exit, which must not return:
// the maker's reader and writer jump back to the function that set the jump.
// That function holds nothing with a destructor across it.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace maker {

struct JpegErrorJump {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

// Sets libjpeg's standard error handling with a jump out and no messages.
inline jpeg_error_mgr* InstallJpegErrorJump(JpegErrorJump* err) {
    jpeg_std_error(&err->base);
    err->base.error_exit = [](j_common_ptr info) {
        std::longjmp(reinterpret_cast<JpegErrorJump*>(info->err)->jump, 1);
    };
    err->base.output_message = [](j_common_ptr) {};
    return &err->base;
}

}  // namespace maker
