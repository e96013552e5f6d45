// Shows one message box with Japanese text, for the rig's self-test: the
// probe must read the text back as UTF-8 and dismiss the box. The source is
// UTF-8 and is compiled to CP932, as the product's strings are.
#include <windows.h>

int main()
{
    // "ソ" and "表" end in byte 0x5C in CP932, the classic trap for code
    // that handles the text as bytes.
    const char* caption = "ペルモラ確認";
    const char* text = "音量を表示できません。\nソフトウェアの二行目";
    int r = MessageBoxA(NULL, text, caption, MB_OK | MB_ICONINFORMATION);
    return r == IDOK ? 0 : 3;
}
