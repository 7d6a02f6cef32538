// The speech seam: SAPI's voice, made at first use on the user-interface thread.
#include "speech.h"
#include "reading.h"
#include <windows.h>
#include <sapi.h>
#include <stdio.h>

namespace {

const wchar_t kVoices[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices";
const wchar_t kJapanese[] = L"Language=411";

ISpVoice *g_voice = nullptr;
bool g_tried = false;
bool g_com = false;

// The first installed Japanese voice, where there is one; else the voice stays the default.
void choose_japanese(ISpVoice *voice) {
    ISpObjectTokenCategory *category = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL, IID_ISpObjectTokenCategory,
                                reinterpret_cast<void **>(&category))))
        return;
    IEnumSpObjectTokens *tokens = nullptr;
    if (SUCCEEDED(category->SetId(kVoices, FALSE)) && SUCCEEDED(category->EnumTokens(kJapanese, nullptr, &tokens))) {
        ISpObjectToken *token = nullptr;
        if (tokens->Next(1, &token, nullptr) == S_OK) {
            voice->SetVoice(token);
            token->Release();
        }
        tokens->Release();
    }
    category->Release();
}

bool sapi_speak(const char *text) {
    if (!g_tried) {
        g_tried = true;
        g_com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        if (SUCCEEDED(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                                       reinterpret_cast<void **>(&g_voice))))
            choose_japanese(g_voice);
        else
            g_voice = nullptr;
    }
    if (!g_voice) return false;
    wchar_t wide[4096];
    int n = MultiByteToWideChar(932, 0, text ? text : "", -1, wide, 4096);
    if (n <= 0) return false;
    wide[4095] = L'\0';
    return SUCCEEDED(g_voice->Speak(wide, SPF_ASYNC | SPF_PURGEBEFORESPEAK | SPF_IS_NOT_XML, nullptr));
}

SpeakFn g_speak = sapi_speak;

}  // namespace

SpeakFn set_speak_fn(SpeakFn fn) {
    SpeakFn old = g_speak;
    g_speak = fn ? fn : sapi_speak;
    return old;
}

bool speak_text(const char *text) { return g_speak(text); }

void speech_end() {
    if (g_voice) g_voice->Release();
    g_voice = nullptr;
    if (g_com) CoUninitialize();
    g_com = g_tried = false;
}

std::string screen_speech(const char *main, const char *const choice[kFitSlots], bool numbered) {
    std::string said = plain_text(main);
    for (int i = 0; i < kFitBackSlot; ++i) {
        if (!choice[i] || !choice[i][0]) continue;
        if (!said.empty()) said += "\r\n";
        if (numbered) {
            char key[8];
            snprintf(key, sizeof key, "%d、", i + 1);
            said += key;
        }
        said += plain_text(choice[i]) + "。";
    }
    return said;
}
