// Actions and action lists, and the one generic action link that carries an action's
// caption, hint, enabled, checked, visible, shortcut, image and execution to a client
// (a menu item or any control). Linked actions are updated (OnUpdate) when the
// application is idle.
#pragma once

#include "Controls.h"
#include "ImgList.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A key with modifiers: virtual key in the low byte, scShift/scCtrl/scAlt above.
using TShortCut = WORD;
constexpr TShortCut scNone = 0, scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;

class TBasicAction;
class TCustomAction;
class TCustomActionList;

// What a client lets its action link read and change. Members left empty are properties
// the client does not have.
struct TActionClientAccess {
    std::function<std::wstring()> Name;   // the client's component name
    std::function<std::wstring()> Caption;
    std::function<void(const std::wstring&)> SetCaption;
    std::function<std::wstring()> Hint;
    std::function<void(const std::wstring&)> SetHint;
    std::function<bool()> Enabled;
    std::function<void(bool)> SetEnabled;
    std::function<bool()> Checked;
    std::function<void(bool)> SetChecked;
    std::function<bool()> Visible;
    std::function<void(bool)> SetVisible;
    std::function<TShortCut()> ShortCut;
    std::function<void(TShortCut)> SetShortCut;
    std::function<int()> ImageIndex;
    std::function<void(int)> SetImageIndex;
    std::function<int()> GroupIndex;
    std::function<void(int)> SetGroupIndex;
    // The client's click event: the link sets it to run the action.
    std::function<bool()> OnClickAssigned;
    std::function<void(TNotifyEvent)> SetOnClick;
    // How captions compare when deciding whether they are linked (default: exactly).
    std::function<bool(const std::wstring&, const std::wstring&)> SameCaption;
};

// Joins one client to one action. A property is linked while the client's value equals
// the action's; a change of the action reaches linked properties only.
class TActionLink : public TObject {
public:
    VORLANE_CLASS_NAME(TActionLink)
    TActionLink(TComponent* Client, TActionClientAccess Access);
    ~TActionLink() override;

    TComponent* Client() const { return FClient; }
    TBasicAction* Action() const { return FAction; }
    // Joins the action (null leaves it); the client then takes the action's values
    // (ActionChange with CheckDefaults on while the client is loading).
    void SetAction(TBasicAction* Value);
    TActionClientAccess& Access() { return FAccess; }

    bool IsCaptionLinked();
    bool IsHintLinked();
    bool IsEnabledLinked();
    bool IsCheckedLinked();
    bool IsVisibleLinked();
    bool IsShortCutLinked();
    bool IsImageIndexLinked();
    bool IsGroupIndexLinked();

    // Called by the action before it takes a new value.
    void SetCaption(const std::wstring& Value);
    void SetHint(const std::wstring& Value);
    void SetEnabled(bool Value);
    void SetChecked(bool Value);
    void SetVisible(bool Value);
    void SetShortCut(TShortCut Value);
    void SetImageIndex(int Value);
    void SetGroupIndex(int Value);

    // Gives the client the action's values. With CheckDefaults only values the client
    // still has at their defaults are replaced (a caption that is empty or equals the
    // client's name, an empty hint, enabled, unchecked, visible, no shortcut, no image,
    // no click handler).
    void ActionChange(bool CheckDefaults);
    // Runs the action for the client; false when nothing handled it.
    bool Execute();
    // Lets the action update itself (OnUpdate).
    bool Update();

private:
    TCustomAction* Custom() const;
    bool SameCaption(const std::wstring& A, const std::wstring& B);
    TComponent* FClient;
    TActionClientAccess FAccess;
    TBasicAction* FAction = nullptr;
    std::shared_ptr<TActionLink*> FSelf; // lets the client's click event find the link safely
};

class TBasicAction : public TComponent {
public:
    VORLANE_CLASS_NAME(TBasicAction)
    explicit TBasicAction(TComponent* AOwner);
    ~TBasicAction() override;

    // Runs OnExecute; true when something handled the action.
    virtual bool Execute();
    // Runs OnUpdate; true when something handled it.
    virtual bool Update();
    // The client whose click runs the action right now (null otherwise).
    TComponent* ActionComponent() const { return FActionComponent; }
    void SetActionComponent(TComponent* Value) { FActionComponent = Value; }

    TNotifyEvent OnExecute, OnUpdate;

    int ClientCount() const { return static_cast<int>(FClients.size()); }
    TActionLink* Clients(int Index) const { return FClients.at(static_cast<size_t>(Index)); }
    void RegisterChanges(TActionLink* Value);
    void UnRegisterChanges(TActionLink* Value);

protected:
    std::vector<TActionLink*> FClients;
    TComponent* FActionComponent = nullptr;
};

// An action that belongs to an action list (which may handle it first).
class TContainedAction : public TBasicAction {
public:
    VORLANE_CLASS_NAME(TContainedAction)
    using TBasicAction::TBasicAction;
    ~TContainedAction() override;
    TCustomActionList* ActionList() const { return FActionList; }
    void SetActionList(TCustomActionList* Value);
    int Index() const;
    std::wstring Category;
    bool Execute() override;
    bool Update() override;

private:
    friend class TCustomActionList;
    TCustomActionList* FActionList = nullptr;
};

class TCustomAction : public TContainedAction {
public:
    VORLANE_CLASS_NAME(TCustomAction)
    using TContainedAction::TContainedAction;

    const std::wstring& Caption() const { return FCaption; }
    virtual void SetCaption(const std::wstring& Value);
    const std::wstring& Hint() const { return FHint; }
    virtual void SetHint(const std::wstring& Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    // Checking an action of a group (GroupIndex > 0) unchecks the others of its list.
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    // The action list's image list, or null.
    TCustomImageList* Images() const;

    // A disabled action does not run; an enabled one runs its list's or its own handler.
    bool Execute() override;
    // Copies the properties and handlers of another action.
    void Assign(TPersistent* Source) override;

protected:
    std::wstring FCaption, FHint;
    bool FEnabled = true, FChecked = false, FVisible = true;
    TShortCut FShortCut = scNone;
    int FImageIndex = -1;
    int FGroupIndex = 0;
};

class TAction : public TCustomAction {
public:
    VORLANE_CLASS_NAME(TAction)
    using TCustomAction::TCustomAction;
};

enum TActionListState { asNormal, asSuspended };
using TActionEvent = std::function<void(TBasicAction* Action, bool& Handled)>;

// A list of actions with a shared image list; its OnExecute/OnUpdate see every action
// of the list first. The list does not own its actions (their owner does).
class TCustomActionList : public TComponent {
public:
    VORLANE_CLASS_NAME(TCustomActionList)
    explicit TCustomActionList(TComponent* AOwner);
    ~TCustomActionList() override;

    int ActionCount() const { return static_cast<int>(FActions.size()); }
    TContainedAction* Actions(int Index) const { return FActions.at(static_cast<size_t>(Index)); }
    int IndexOf(TContainedAction* Action) const;
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    TActionListState State() const { return FState; }
    void SetState(TActionListState Value) { FState = Value; }

    // The list's handlers; true when they handled the action.
    virtual bool ExecuteAction(TBasicAction* Action);
    virtual bool UpdateAction(TBasicAction* Action);
    // Runs the enabled action with this shortcut (after updating it); false when none.
    bool IsShortCut(TShortCut ShortCut);

    TActionEvent OnExecute, OnUpdate;
    TNotifyEvent OnChange;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TContainedAction;
    std::vector<TContainedAction*> FActions;
    TCustomImageList* FImages = nullptr;
    TChangeLink FImageChangeLink;
    TActionListState FState = asNormal;
};

class TActionList : public TCustomActionList {
public:
    VORLANE_CLASS_NAME(TActionList)
    using TCustomActionList::TCustomActionList;
};

// Actions of any control: the generic link kept beside the control (freed with it).
// The default access covers text, hint, enabled, visible, name and the click event;
// controls with more (a check state, an image) pass their own access.
TActionClientAccess ControlActionAccess(TControl* Control);
void SetControlAction(TControl* Control, TBasicAction* Action);
void SetControlAction(TControl* Control, TBasicAction* Action, const TActionClientAccess& Access);
TBasicAction* GetControlAction(TControl* Control);
TActionLink* GetControlActionLink(TControl* Control);

// Updates every action that has a client (once each). The application's idle step runs it.
void UpdateLinkedActions();
