#include "dialog_template.h"

#include <cstring>

namespace {

class TemplateReader {
public:
    TemplateReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }

    template <typename T>
    T Read()
    {
        T value{};
        if (pos_ + sizeof(T) > size_) {
            ok_ = false;
            return value;
        }
        std::memcpy(&value, data_ + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }

    std::wstring ReadString()
    {
        std::wstring text;
        for (WORD unit = Read<WORD>(); ok_ && unit != 0; unit = Read<WORD>())
            text += static_cast<wchar_t>(unit);
        return text;
    }

    NameOrOrdinal ReadNameOrOrdinal()
    {
        NameOrOrdinal field;
        const WORD first = Read<WORD>();
        if (first == 0xFFFF) {
            field.ordinal = Read<WORD>();
        } else if (first != 0) {
            field.name = static_cast<wchar_t>(first);
            field.name += ReadString();
        }
        return field;
    }

    // Items start on a 32-bit boundary.
    void AlignToDword() { pos_ = (pos_ + 3) & ~static_cast<size_t>(3); }
    void Skip(size_t count) { pos_ += count; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

void ReadHeader(TemplateReader& reader, DialogTemplate* out, WORD* itemCount)
{
    if (out->extended) {
        out->helpId = reader.Read<DWORD>();
        out->exStyle = reader.Read<DWORD>();
        out->style = reader.Read<DWORD>();
    } else {
        out->style = reader.Read<DWORD>();
        out->exStyle = reader.Read<DWORD>();
    }
    *itemCount = reader.Read<WORD>();
    out->x = reader.Read<short>();
    out->y = reader.Read<short>();
    out->cx = reader.Read<short>();
    out->cy = reader.Read<short>();
    out->menu = reader.ReadNameOrOrdinal();
    out->windowClass = reader.ReadNameOrOrdinal();
    out->caption = reader.ReadString();
    if (out->style & (DS_SETFONT | DS_SHELLFONT)) {
        out->pointSize = reader.Read<WORD>();
        if (out->extended) {
            out->weight = reader.Read<WORD>();
            out->italic = reader.Read<BYTE>();
            out->charset = reader.Read<BYTE>();
        }
        out->typeface = reader.ReadString();
    }
}

DialogItem ReadItem(TemplateReader& reader, bool extended)
{
    DialogItem item;
    reader.AlignToDword();
    if (extended) {
        item.helpId = reader.Read<DWORD>();
        item.exStyle = reader.Read<DWORD>();
        item.style = reader.Read<DWORD>();
    } else {
        item.style = reader.Read<DWORD>();
        item.exStyle = reader.Read<DWORD>();
    }
    item.x = reader.Read<short>();
    item.y = reader.Read<short>();
    item.cx = reader.Read<short>();
    item.cy = reader.Read<short>();
    item.id = extended ? static_cast<int>(reader.Read<DWORD>()) : static_cast<short>(reader.Read<WORD>());
    item.windowClass = reader.ReadNameOrOrdinal();
    item.text = reader.ReadNameOrOrdinal();
    item.extraBytes = reader.Read<WORD>();
    reader.Skip(item.extraBytes);
    return item;
}

}  // namespace

bool ParseDialogTemplate(const uint8_t* data, size_t size, DialogTemplate* out)
{
    TemplateReader reader(data, size);
    *out = DialogTemplate{};
    if (size >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF) {
        out->extended = true;
        reader.Skip(4);  // version 1, signature 0xFFFF
    }
    WORD itemCount = 0;
    ReadHeader(reader, out, &itemCount);
    for (WORD i = 0; i < itemCount && reader.ok(); ++i)
        out->items.push_back(ReadItem(reader, out->extended));
    return reader.ok();
}

std::wstring ControlClassName(const NameOrOrdinal& windowClass)
{
    switch (windowClass.ordinal) {
    case 0:
        return windowClass.name;
    case 0x80:
        return L"Button";
    case 0x81:
        return L"Edit";
    case 0x82:
        return L"Static";
    case 0x83:
        return L"ListBox";
    case 0x84:
        return L"ScrollBar";
    case 0x85:
        return L"ComboBox";
    default:
        return L"#" + std::to_wstring(windowClass.ordinal);
    }
}
