#pragma once

#include "association/Registration.h"
#include "common/UniqueHandle.h"
#include "wizard/Emblem.h"

#include <windows.h>

#include <array>
#include <optional>
#include <string>

// The wizard's one window: three screens on top of each other, a button bar
// below them, and the reactions named after control and event. The visible
// screen is the wizard's whole state; the user's choices live in the controls.
// It runs the registration itself and keeps painted meanwhile.
class Root : private Registration::Reporter {
public:
    // Creates the window hidden and loads it: every type ticked, Back disabled,
    // the programs registered now read for the verb rows, which show them once
    // the verb screen is first shown.
    explicit Root(HINSTANCE instance);
    ~Root();
    Root(const Root&) = delete;
    Root& operator=(const Root&) = delete;

    // Shows the window for the first time, centred, on the type screen.
    void Show();
    HWND Handle() const { return window_; }

    // Runs until the window goes; returns the exit code.
    int RunMessageLoop();
    // Dispatches every message already queued, then returns.
    void ProcessPendingEvents() override;

    void GetAttributes();
    void SetAttributes();

private:
    // What the registration reports: the wizard goes on whatever the plan
    // holds, and shows its outcome once the window is hidden.
    bool RegistersWhateverThePlan() const override { return true; }
    bool Planned(const Plan::Plan&) override { return true; }
    void BackedUp(const Plan::Plan&, const std::wstring&) override {}
    void Registered(const Registration::Outcome& outcome) override;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK VerbTextProc(HWND text, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR slot, DWORD_PTR self);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int notification);

    void CreateControls();
    HWND CreateScreenPanel(int index);
    void CreateTypeScreen(HWND screen);
    void CreateVerbScreen(HWND screen);
    void CreateConfirmationScreen(HWND screen);
    void CreateButtonBar();
    // Makes a screen, its panel and its controls, the first time it is to be
    // shown.
    void MakeScreenOnce(int index);
    void FillVerbRows();

    void Form_Initialize();
    void Form_Load();
    void bWeiter_Click();
    void bZurück_Click();
    void BAbbrechen_Click();
    void cChecker_Click(int slot);
    void bChecker_Click(int slot);
    void tChecker_KeyDown(int slot, WORD key, int shift);

    bool ScreenVisible(int index) const;
    void ShowScreen(int index, bool visible);
    int TickedTypeCount() const;
    bool AnyVerbTicked() const;
    // Sets a verb row's tick; a changed tick runs the tick reaction, as a
    // user's click does.
    void SetVerbTick(int slot, int state);
    Plan::Choices ReadChoices() const;
    void PressFocusedButton();
    void EnableButton(HWND button, bool enabled);
    void ShowMessage(std::wstring_view title, std::wstring_view text, UINT icon, HWND owner);
    void ShowOutcome();
    void DrawEmblem(const DRAWITEMSTRUCT& item) const;

    HWND& pScreens(int index) { return screens_[index - 1]; }
    HWND pScreens(int index) const { return screens_[index - 1]; }
    HWND cChecker(int slot) const { return verbCheckBoxes_[slot - 1]; }
    HWND tChecker(int slot) const { return verbTexts_[slot - 1]; }
    HWND bChecker(int slot) const { return verbBrowseButtons_[slot - 1]; }

    HINSTANCE instance_;
    // For whom the wizard registers: every user where this process may write
    // for them, else the account that runs it. Decided once, at the start.
    KeyPath::Scope scope_;
    int dpi_ = 96;
    UniqueFont font_;
    UniqueFont boldFont_;
    std::optional<Emblem> emblem_;
    HWND window_ = nullptr;
    std::array<HWND, 3> screens_{};
    HWND pPanels_ = nullptr;
    HWND lFiletyps_ = nullptr;
    std::array<HWND, 5> verbCheckBoxes_{};
    std::array<HWND, 5> verbTexts_{};
    std::array<HWND, 5> verbBrowseButtons_{};
    // What GetAttributes read, one program per verb slot, empty where none.
    std::array<std::wstring, 5> programsFound_;
    HWND bWeiter_ = nullptr;
    HWND bZurück_ = nullptr;
    HWND BAbbrechen_ = nullptr;
    // Set once the registration has begun: it runs at most once, and a close
    // request cannot cut it off half-way.
    bool registering_ = false;
    // The hourglass shows while set.
    bool busy_ = false;
    // False when the registration could not write every value.
    bool allValuesWritten_ = true;
};
