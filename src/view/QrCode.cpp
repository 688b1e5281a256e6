#include "view/QrCode.h"

#include <memory>
#include <qrencode.h>

namespace {

constexpr unsigned int kEciUtf8 = 26;

struct InputFree {
    void operator()(QRinput* input) const { QRinput_free(input); }
};
struct CodeFree {
    void operator()(QRcode* code) const { QRcode_free(code); }
};

}  // namespace

bool EncodeQr(const std::string& text, QrCode& code)
{
    const std::unique_ptr<QRinput, InputFree> input(QRinput_new2(0, QR_ECLEVEL_M));
    if (!input || QRinput_appendECIheader(input.get(), kEciUtf8) != 0 ||
        QRinput_append(input.get(), QR_MODE_8, static_cast<int>(text.size()),
                       reinterpret_cast<const unsigned char*>(text.data())) != 0) {
        return false;
    }
    const std::unique_ptr<QRcode, CodeFree> encoded(QRcode_encodeInput(input.get()));
    if (!encoded) {
        return false;
    }
    code.Size = encoded->width;
    code.Modules.resize(static_cast<std::size_t>(code.Size) * code.Size);
    for (std::size_t i = 0; i < code.Modules.size(); ++i) {
        code.Modules[i] = encoded->data[i] & 1;  // bit 0: dark; the rest tells what the module is
    }
    return true;
}
