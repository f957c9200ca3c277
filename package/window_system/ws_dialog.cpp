// The window-system layer's modal dialogs: reading an in-memory dialog
// template, the modal loop, control texts and ending. The native dialog and
// its controls belong to the backend.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "text/text_encoding.h"
#include "ws_core.h"

namespace draxo::ws {
namespace {

// Reads little-endian words from a template without ever passing its end;
// once a read would, every later read gives 0 and ok() stays false.
class template_reader {
public:
    template_reader(const void* bytes, std::size_t size)
        : bytes_(static_cast<const unsigned char*>(bytes)), size_(bytes ? size : 0) {}

    bool ok() const { return ok_; }

    std::uint16_t word() {
        if (!ok_ || size_ - at_ < 2) {
            ok_ = false;
            return 0;
        }
        auto value = static_cast<std::uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
        at_ += 2;
        return value;
    }

    int signed_word() { return static_cast<std::int16_t>(word()); }

    std::uint32_t dword() {
        std::uint32_t low = word();
        std::uint32_t high = word();
        return low | (high << 16);
    }

    // A text of 16-bit characters ended by a 16-bit zero; `first` is a
    // character already read.
    std::u16string text(std::uint16_t first) {
        std::u16string s;
        for (std::uint16_t c = first; ok_ && c != 0; c = word()) s.push_back(static_cast<char16_t>(c));
        return s;
    }
    std::u16string text() { return text(word()); }

    // A field that is empty (0x0000), a number (0xFFFF then the number) or a text.
    struct name_or_number {
        bool present = false;
        unsigned number = 0;
        std::u16string name;
    };
    name_or_number name_or_number_field() {
        name_or_number field;
        std::uint16_t first = word();
        if (first == 0) return field;
        field.present = true;
        if (first == 0xFFFF)
            field.number = word();
        else
            field.name = text(first);
        return field;
    }

    void skip(std::size_t count) {
        if (!ok_ || size_ - at_ < count) {
            ok_ = false;
            return;
        }
        at_ += count;
    }

    // Item records start on 4-byte boundaries, counted from the template's start.
    void align4() { skip((4 - at_ % 4) % 4); }

private:
    const unsigned char* bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

bool is_open(dialog d) {
    const std::vector<dialog>& all = core().open_dialogs;
    return d && std::find(all.begin(), all.end(), d) != all.end();
}

// The extended template format starts with version 1 and the marker 0xFFFF.
constexpr std::uint32_t extended_template_start = 0xFFFF0001u;

}  // namespace

bool parse_dialog_template(const void* bytes, std::size_t size, dialog_template& out) {
    template_reader in(bytes, size);
    dialog_template t;
    t.style = in.dword();
    if (t.style == extended_template_start) return false;
    t.ex_style = in.dword();
    unsigned count = in.word();
    t.x = in.signed_word();
    t.y = in.signed_word();
    t.cx = in.signed_word();
    t.cy = in.signed_word();
    t.has_menu = in.name_or_number_field().present;
    t.has_class = in.name_or_number_field().present;
    t.title = in.text();
    if (t.style & DS_SETFONT) {
        t.point_size = in.word();
        t.face = in.text();
    }
    for (unsigned i = 0; i < count && in.ok(); ++i) {
        in.align4();
        dialog_item_template item;
        item.style = in.dword();
        item.ex_style = in.dword();
        item.x = in.signed_word();
        item.y = in.signed_word();
        item.cx = in.signed_word();
        item.cy = in.signed_word();
        item.id = in.word();
        auto control_class = in.name_or_number_field();
        if (!control_class.present) return false;  // every control needs a class
        item.class_atom = control_class.number;
        item.class_name = control_class.name;
        item.text = in.name_or_number_field().name;
        // Creation data: a byte count that includes the count itself.
        std::uint16_t data = in.word();
        if (data > 2) in.skip(data - 2u);
        t.items.push_back(std::move(item));
    }
    if (!in.ok()) return false;
    out = std::move(t);
    return true;
}

lresult dialog_box_indirect(const void* dialog_template, std::size_t size, window owner, dialog_proc proc,
                            lparam init) {
    // Checked before anything native is touched, so that a dialog asked for
    // before any window exists fails quietly.
    if (!is_window(owner) || !proc || !dialog_template) return -1;
    auto d = std::make_unique<dialog_record>();
    if (!parse_dialog_template(dialog_template, size, d->layout)) return -1;
    if (d->layout.has_menu || d->layout.has_class) return -1;
    const auto* first = static_cast<const unsigned char*>(dialog_template);
    d->template_bytes.assign(first, first + size);
    d->owner = owner;
    d->proc = proc;
    if (!backend::create_dialog(d.get())) return -1;
    core().open_dialogs.push_back(d.get());

    bool owner_was_disabled = owner->input_disabled;
    owner->input_disabled = true;
    bool focus_first = proc(d.get(), WM_INITDIALOG, 0, init) != 0;
    if (!d->ended) {
        backend::show_dialog(d.get());
        if (focus_first) backend::focus_first_tab_stop(d.get());
    }

    // The modal loop: the package's queue keeps flowing, one message at a
    // time, while the native dialog handles its own controls.
    while (!d->ended) {
        message m;
        if (peek_message(m)) {
            if (m.id == WM_QUIT) {
                post_quit_message(static_cast<int>(m.w));  // for the package's own wait
                break;
            }
            translate_message(m);
            dispatch_message(m);
            continue;
        }
        // Waits for native events only while nothing has ended the dialog,
        // such as a click handled by the poll that found the queue empty.
        if (!d->ended) backend::poll_events(true);
    }

    std::erase(core().open_dialogs, d.get());
    backend::destroy_dialog(d.get());
    if (is_window(owner)) owner->input_disabled = owner_was_disabled;
    return d->ended ? d->result : 0;
}

namespace {
// The control's text as the backend gives it: UTF-8; empty for an unknown id.
std::string item_text(dialog d, unsigned id) {
    std::string text;
    if (!is_open(d) || !backend::dialog_item_text(d, id, text)) text.clear();
    return text;
}

int copy_text(const std::string& text, std::size_t count, char* buffer) {
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}
}  // namespace

int get_dlg_item_text(dialog d, unsigned id, char* buffer, int max) {
    if (!buffer || max <= 0) return 0;
    const std::string latin1 = text::latin1_of_utf8(item_text(d, id));
    return copy_text(latin1, std::min(latin1.size(), static_cast<std::size_t>(max - 1)), buffer);
}

int get_dlg_item_text_utf8(dialog d, unsigned id, char* buffer, int max) {
    if (!buffer || max <= 0) return 0;
    const std::string utf8 = item_text(d, id);
    return copy_text(utf8, text::utf8_prefix_length(utf8, static_cast<std::size_t>(max - 1)), buffer);
}

void end_dialog(dialog d, lresult result) {
    if (!is_open(d) || d->ended) return;
    d->ended = true;
    d->result = result;
}

void native_dialog_destroyed(dialog d) {
    if (!is_open(d) || d->ended) return;
    d->ended = true;
    d->result = 0;
    post_quit_message(0);
}

void native_dialog_command(dialog d, unsigned id) {
    if (is_open(d) && !d->ended) d->proc(d, WM_COMMAND, id, 0);
}

// The native dialog is not a child of its owner's native window, so it
// outlives the owner until its modal loop, seeing it ended, removes it.
void end_dialogs_owned_by(window w) {
    for (dialog d : core().open_dialogs) {
        if (d->owner != w || d->ended) continue;
        d->ended = true;
        d->result = 0;
    }
}

}  // namespace draxo::ws
