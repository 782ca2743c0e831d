#pragma once
// Makes a dialog's controls and owns them until they are destroyed: one control for every described
// object (drawn links, buttons and pictures; language box, text file box, animation, static text and
// result list), the modal buttons, and the placement of the template's fixed controls by the object
// sections their FIXED_ keys name.

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/DlgConfig.h"
#include "ui/DrawnControls.h"
#include "ui/Gdi.h"

class CControlFactory
{
public:
    // Fixed-control kinds that PlaceFixedControl treats specially.
    static constexpr int kKindText = 1;
    static constexpr int kKindList = 7;
    static constexpr int kKindUnmirrored = 16;
    // The ids of the modal buttons.
    static constexpr int kModalNextId = 61439;
    static constexpr int kModalBackId = 61437;
    static constexpr int kModalOkId = 61438;
    static constexpr int kModalCancelId = 61436;

    using CommandPoster = std::function<void(const ObjectCommand&)>;

    // config: the dialog's description, which outlives the factory. post: where the controls' commands go.
    CControlFactory(CUiEnv& env, CDlgConfig& config, CommandPoster post);
    ~CControlFactory();
    CControlFactory(const CControlFactory&) = delete;
    CControlFactory& operator=(const CControlFactory&) = delete;

    // The window the controls are made in; set once the dialog window exists.
    void SetDialog(HWND dialog) { m_dialog = dialog; }
    // One control for each described object, type by type in the creation order; buttons take their
    // index as id, other objects an id of their type's block, or past the blocks when their type has
    // more than fit in one. No two objects share an id, and none takes a template control's fixed id.
    void CreateObjectControls();
    // The drawn buttons of FIXED_BTN_MODAL_NEXT, _BACK, _OK and _CANCEL, each placed by its section.
    void CreateModalButtons();
    // Moves, sizes, names, enables and shows control by the object section that the dialog's key
    // names; without such a section the control is hidden and false returned.
    bool PlaceFixedControl(const char* key, HWND control, int kind = 0);
    // Destroys every control made here and forgets them in the objects.
    void DestroyControls();
    // The language codes of a language box's rows, in row order; null for any other control.
    const std::vector<std::string>* LanguageCodes(HWND combo) const;

    // True for the ids of the templates' own controls, which no object is given.
    static bool IsFixedControlId(int id);
    // The id of the description area, a static nothing looks up by its id.
    static constexpr int kDescriptionId = 0xFFFF;

    // Sets or clears the right-to-left layout of a window.
    static void ApplyLayoutDirection(HWND window, bool rightToLeft);

private:
    void CreateObjectControl(ObjectRecord& object, int id);
    void CreateLanguageBox(ObjectRecord& object, int id);
    int FillLanguageRows(HWND combo, const std::string& dataSection, std::vector<std::string>& codes);
    void SelectLanguageRow(HWND combo, const std::vector<std::string>& codes);
    void CreateEditBox(ObjectRecord& object, int id);
    void CreateAnimation(ObjectRecord& object, int id);
    void CreateStaticText(ObjectRecord& object, int id);
    ControlHost Host() const;

    CUiEnv& m_env;
    CDlgConfig& m_config;
    CommandPoster m_post;
    HWND m_dialog = nullptr;
    std::vector<std::unique_ptr<CDrawnControl>> m_drawn;
    std::vector<HWND> m_plainControls;                        // statics, edits, combos, lists, animations
    std::map<HWND, std::vector<std::string>> m_languageCodes;
    std::vector<CFontHandle> m_fonts;
};
