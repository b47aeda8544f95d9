#include "proppages/PageStrings.h"

#include <cstring>
#include <string>

#include "platform/registry/Registry.h"
#include "platform/runtime/Codepage.h"
#include "platform/ui/Prompt.h"
#include "proppages/PageMessages.h"

namespace qvp {

namespace {

struct StringEntry {
  UINT id;
  const char* text;
};

constexpr StringEntry kStrings[] = {
    {1001, "QVProp"},
    {1002, "Alphabetic"},
    {1003, "Alphabetic properties"},
    {1004, "Categorized"},
    {1005, "Categorized properties"},
    {1006, "Animation Builder"},
    {1007, "Picture Frames Properties"},
    {1010, "Invalid value"},
    {1011, "Error Setting Property"},
    {1012, "Error Loading File"},
    {1013, "Images"},
    {1014, "Image List properties"},
    {1015, "Groups/Lists"},
    {1016, "Groups/Lists properties"},
    {1017, "PNG Generator"},
    {1018, "PNG Generator Utility"},
    {1019, "Configure ToolBars"},
    {1020, "Configure Utility for Toolbars"},
    {2012,
     "All Picture Files|*.bmp;*.png;*.gif;*.jpg;*.jpeg;*.ico|Bitmaps(*.bmp)|*.bmp|PNG Images(*.png)|*.png|"
     "GIF Images(*.gif)|*.gif|JPEG Images(*.jpg,*.jpeg)|*.jpg;*.jpeg|Icons(*.ico)|*.ico|All Files (*.*)|*.*|"},
    {2014, "Select Picture"},
    {2015, "Enter Segmented Bitmap Filename"},
    {2016, "Save Segmented Bitmap As"},
    {2017, "Bitmaps(*.bmp)|*.bmp|All Files (*.*)|*.*|"},
    {2018, "Only bitmaps can be imported."},
    {2019, "Portable Network Graphics(*.png)|*.png|All Files (*.*)|*.*|"},
    {2020, "Enter Image Filename"},
    {2021, "Save Images As"},
    {2022,
     "All Picture Files|*.bmp;*.png;*.gif;*.jpg;*.jpeg;*.ico;*.cur|Bitmaps(*.bmp)|*.bmp|PNG Images(*.png)|*.png|"
     "GIF Images(*.gif)|*.gif|JPEG Images(*.jpg,*.jpeg)|*.jpg;*.jpeg|Icons(*.ico,*.cur)|*.ico;*.cur|"
     "All Files (*.*)|*.*|"},
    {2097, "Frame Size: %dx%d  (Note: frame size is based on size of frame #1)"},
    {2098, "Image: %d x %d x 16 Million"},
    {2099, "Image: %d x %d x %d"},
    {2100, "%s : Illegal value."},
    {2101, "&ListItems for Group (%s):"},
    {2102, "Count: %d"},
    {2105, "Image Size: %dx%d  (Note: all inserted images will be scaled to %dx%d)"},
    {2106, "Keys must be unique."},
    {2107, "Duplicate Key"},
    {2108, "Keys cannot be numbers."},
    {2109, "Invalid Key"},
    {2111, "This segmented bitmap does not contain that many frames."},
    {2112, "Invalid Number of Frames"},
    {2113, "Number of frames must be greater than zero."},
    {2200, "Tabs"},
    {2201, "Tabs properties"},
    {2202, "Note: A tab can be re-positioned by changing its 'Index' property."},
    {42504, "The registration key of the property pages cannot be opened."},
    {42506, "Version |1 of |2 has no value \"|3\"."},
};

constexpr char kBaseKey[] = "Quorvane.PropertyPages";
constexpr char kVersion[] = "1";
constexpr DWORD kMaxValueBytes = 260;

}  // namespace

const char* PageStringText(UINT id) {
  for (const StringEntry& e : kStrings)
    if (e.id == id) return e.text;
  return nullptr;
}

bool LoadPageMessage(UINT id, CPageString& text) {
  const char* found = PageStringText(id);
  text = found ? found : "";
  return found != nullptr;
}

bool LoadPageMessage(UINT id, CPageString& text, std::initializer_list<const char*> args) {
  const bool found = LoadPageMessage(id, text);
  SubstituteMessageArgs(text, args);
  return found;
}

void ShowLoadErrorBox(const CPageString& text) {
  const char* shown = text.Text() ? text.Text() : "";
  ui::MsgBox(rt::FromCp1252(shown), ui::vbOKOnly | ui::vbCritical,
             QString::fromLatin1(PageStringText(kStrErrorLoadingFile)));
}

HRESULT ReadVersionKeyString(const char* valueName, CPageString& out, CPageString* error) {
  if (!valueName) return E_POINTER;
  const std::string versionKey = std::string(kBaseKey) + "\\Version" + kVersion;
  HKEY key{};
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, versionKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    if (error) LoadPageMessage(kMsgVersionKeyMissing, *error);
    return E_FAIL;
  }
  HKEY sub{};
  LONG status = RegOpenKeyExA(key, valueName, 0, KEY_READ, &sub);
  char value[kMaxValueBytes + 1] = {};
  DWORD size = kMaxValueBytes;
  DWORD type = 0;
  if (status == ERROR_SUCCESS) {
    status = RegQueryValueExA(sub, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(sub);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) {
    if (error) LoadPageMessage(kMsgVersionValueMissing, *error, {kVersion, kBaseKey, valueName});
    return E_FAIL;
  }
  // The stored text may lack its terminator: take at most what was read.
  out = std::string(value, strnlen(value, size)).c_str();
  return S_OK;
}

}  // namespace qvp
