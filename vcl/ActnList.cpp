#include "ActnList.h"

#include "Forms.h"

#include <algorithm>
#include <map>

namespace {

// Never freed: links of objects the application frees at program end (after this unit's
// statics would be gone) still leave this list.
std::vector<TActionLink*>& AllLinks() {
    static auto* links = new std::vector<TActionLink*>;
    return *links;
}

} // namespace

// ------------------------------------------------------------------ TActionLink

TActionLink::TActionLink(TComponent* Client, TActionClientAccess Access)
    : FClient(Client), FAccess(std::move(Access)), FSelf(std::make_shared<TActionLink*>(this)) {
    AllLinks().push_back(this);
}

TActionLink::~TActionLink() {
    *FSelf = nullptr;
    if (FAction)
        FAction->UnRegisterChanges(this);
    auto& links = AllLinks();
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
}

TCustomAction* TActionLink::Custom() const { return dynamic_cast<TCustomAction*>(FAction); }

bool TActionLink::SameCaption(const std::wstring& A, const std::wstring& B) {
    return FAccess.SameCaption ? FAccess.SameCaption(A, B) : A == B;
}

void TActionLink::SetAction(TBasicAction* Value) {
    if (Value == FAction)
        return;
    if (FAction)
        FAction->UnRegisterChanges(this);
    FAction = Value;
    if (!FAction)
        return;
    FAction->RegisterChanges(this);
    ActionChange(FClient && (FClient->ComponentState() & csLoading) != 0);
}

bool TActionLink::IsCaptionLinked() {
    auto* a = Custom();
    return a && FAccess.Caption && SameCaption(FAccess.Caption(), a->Caption());
}
bool TActionLink::IsHintLinked() {
    auto* a = Custom();
    return a && FAccess.Hint && FAccess.Hint() == a->Hint();
}
bool TActionLink::IsEnabledLinked() {
    auto* a = Custom();
    return a && FAccess.Enabled && FAccess.Enabled() == a->Enabled();
}
bool TActionLink::IsCheckedLinked() {
    auto* a = Custom();
    return a && FAccess.Checked && FAccess.Checked() == a->Checked();
}
bool TActionLink::IsVisibleLinked() {
    auto* a = Custom();
    return a && FAccess.Visible && FAccess.Visible() == a->Visible();
}
bool TActionLink::IsShortCutLinked() {
    auto* a = Custom();
    return a && FAccess.ShortCut && FAccess.ShortCut() == a->ShortCut();
}
bool TActionLink::IsImageIndexLinked() {
    auto* a = Custom();
    return a && FAccess.ImageIndex && FAccess.ImageIndex() == a->ImageIndex();
}
bool TActionLink::IsGroupIndexLinked() {
    auto* a = Custom();
    return a && FAccess.GroupIndex && FAccess.GroupIndex() == a->GroupIndex();
}

void TActionLink::SetCaption(const std::wstring& Value) {
    if (IsCaptionLinked() && FAccess.SetCaption)
        FAccess.SetCaption(Value);
}
void TActionLink::SetHint(const std::wstring& Value) {
    if (IsHintLinked() && FAccess.SetHint)
        FAccess.SetHint(Value);
}
void TActionLink::SetEnabled(bool Value) {
    if (IsEnabledLinked() && FAccess.SetEnabled)
        FAccess.SetEnabled(Value);
}
void TActionLink::SetChecked(bool Value) {
    if (IsCheckedLinked() && FAccess.SetChecked)
        FAccess.SetChecked(Value);
}
void TActionLink::SetVisible(bool Value) {
    if (IsVisibleLinked() && FAccess.SetVisible)
        FAccess.SetVisible(Value);
}
void TActionLink::SetShortCut(TShortCut Value) {
    if (IsShortCutLinked() && FAccess.SetShortCut)
        FAccess.SetShortCut(Value);
}
void TActionLink::SetImageIndex(int Value) {
    if (IsImageIndexLinked() && FAccess.SetImageIndex)
        FAccess.SetImageIndex(Value);
}
void TActionLink::SetGroupIndex(int Value) {
    if (IsGroupIndexLinked() && FAccess.SetGroupIndex)
        FAccess.SetGroupIndex(Value);
}

void TActionLink::ActionChange(bool CheckDefaults) {
    if (!FAction)
        return;
    if (FAccess.SetOnClick && (!CheckDefaults || !FAccess.OnClickAssigned || !FAccess.OnClickAssigned())) {
        std::weak_ptr<TActionLink*> self = FSelf;
        FAccess.SetOnClick([self](TObject*) {
            if (auto p = self.lock(); p && *p)
                (*p)->Execute();
        });
    }
    auto* a = Custom();
    if (!a)
        return;
    if (FAccess.SetCaption && FAccess.Caption) {
        std::wstring caption = FAccess.Caption();
        if (!CheckDefaults || caption.empty() || (FAccess.Name && caption == FAccess.Name()))
            FAccess.SetCaption(a->Caption());
    }
    if (FAccess.SetHint && FAccess.Hint && (!CheckDefaults || FAccess.Hint().empty()))
        FAccess.SetHint(a->Hint());
    if (FAccess.SetEnabled && FAccess.Enabled && (!CheckDefaults || FAccess.Enabled()))
        FAccess.SetEnabled(a->Enabled());
    if (FAccess.SetChecked && FAccess.Checked && (!CheckDefaults || !FAccess.Checked()))
        FAccess.SetChecked(a->Checked());
    if (FAccess.SetVisible && FAccess.Visible && (!CheckDefaults || FAccess.Visible()))
        FAccess.SetVisible(a->Visible());
    if (FAccess.SetShortCut && FAccess.ShortCut && (!CheckDefaults || FAccess.ShortCut() == scNone))
        FAccess.SetShortCut(a->ShortCut());
    if (FAccess.SetImageIndex && FAccess.ImageIndex && (!CheckDefaults || FAccess.ImageIndex() == -1))
        FAccess.SetImageIndex(a->ImageIndex());
    if (FAccess.SetGroupIndex && FAccess.GroupIndex && (!CheckDefaults || FAccess.GroupIndex() == 0))
        FAccess.SetGroupIndex(a->GroupIndex());
}

bool TActionLink::Execute() {
    TBasicAction* action = FAction;
    if (!action)
        return false;
    action->SetActionComponent(FClient);
    struct TReset {
        std::shared_ptr<TActionLink*> Self;
        TBasicAction* Action;
        ~TReset() {
            // The action may have been freed by its own handler (its clients know).
            if (*Self && (*Self)->FAction == Action)
                Action->SetActionComponent(nullptr);
        }
    } reset{FSelf, action};
    return action->Execute();
}

bool TActionLink::Update() { return FAction && FAction->Update(); }

// ------------------------------------------------------------------ TBasicAction

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

TBasicAction::~TBasicAction() {
    // Clients keep their link, now without an action.
    std::vector<TActionLink*> clients;
    clients.swap(FClients);
    for (TActionLink* link : clients)
        link->SetAction(nullptr);
}

bool TBasicAction::Execute() {
    if (OnExecute) {
        OnExecute(this);
        return true;
    }
    return false;
}

bool TBasicAction::Update() {
    if (OnUpdate) {
        OnUpdate(this);
        return true;
    }
    return false;
}

void TBasicAction::RegisterChanges(TActionLink* Value) {
    if (Value && std::find(FClients.begin(), FClients.end(), Value) == FClients.end())
        FClients.push_back(Value);
}

void TBasicAction::UnRegisterChanges(TActionLink* Value) {
    FClients.erase(std::remove(FClients.begin(), FClients.end(), Value), FClients.end());
}

// ------------------------------------------------------------------ TContainedAction

TContainedAction::~TContainedAction() { SetActionList(nullptr); }

void TContainedAction::SetActionList(TCustomActionList* Value) {
    if (Value == FActionList)
        return;
    if (FActionList) {
        auto& v = FActionList->FActions;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        if (FActionList->OnChange)
            FActionList->OnChange(FActionList);
    }
    FActionList = Value;
    if (FActionList) {
        FActionList->FActions.push_back(this);
        if (FActionList->OnChange)
            FActionList->OnChange(FActionList);
    }
}

int TContainedAction::Index() const { return FActionList ? FActionList->IndexOf(const_cast<TContainedAction*>(this)) : -1; }

bool TContainedAction::Execute() {
    if (FActionList && FActionList->State() == asSuspended)
        return false;
    if (FActionList && FActionList->ExecuteAction(this))
        return true;
    return TBasicAction::Execute();
}

bool TContainedAction::Update() {
    if (FActionList && FActionList->State() == asSuspended)
        return false;
    if (FActionList && FActionList->UpdateAction(this))
        return true;
    return TBasicAction::Update();
}

// ------------------------------------------------------------------ TCustomAction

// Each setter tells the clients first (while their value still equals the old one, so
// that they can tell whether they are linked), then takes the value.
void TCustomAction::SetCaption(const std::wstring& Value) {
    if (Value == FCaption)
        return;
    for (TActionLink* link : std::vector<TActionLink*>(FClients))
        link->SetCaption(Value);
    FCaption = Value;
}

void TCustomAction::SetHint(const std::wstring& Value) {
    if (Value == FHint)
        return;
    for (TActionLink* link : std::vector<TActionLink*>(FClients))
        link->SetHint(Value);
    FHint = Value;
}

void TCustomAction::SetEnabled(bool Value) {
    if (Value == FEnabled)
        return;
    for (TActionLink* link : std::vector<TActionLink*>(FClients))
        link->SetEnabled(Value);
    FEnabled = Value;
}

void TCustomAction::SetChecked(bool Value) {
    if (Value == FChecked)
        return;
    for (TActionLink* link : std::vector<TActionLink*>(FClients))
        link->SetChecked(Value);
    FChecked = Value;
    if (Value && FGroupIndex > 0 && ActionList()) {
        TCustomActionList* list = ActionList();
        for (int i = 0; i < list->ActionCount(); ++i) {
            auto* other = dynamic_cast<TCustomAction*>(list->Actions(i));
            if (other && other != this && other->FGroupIndex == FGroupIndex)
                other->SetChecked(false);
        }
    }
}

void TCustomAction::SetVisible(bool Value) {
    if (Value == FVisible)
        return;
    for (TActionLink* link : std::vector<TActionLink*>(FClients))
        link->SetVisible(Value);
    FVisible = Value;
}

void TCustomAction::SetShortCut(TShortCut Value) {
    if (Value == FShortCut)
        return;
    for (TActionLink* link : std::vector<TActionLink*>(FClients))
        link->SetShortCut(Value);
    FShortCut = Value;
}

void TCustomAction::SetImageIndex(int Value) {
    if (Value == FImageIndex)
        return;
    for (TActionLink* link : std::vector<TActionLink*>(FClients))
        link->SetImageIndex(Value);
    FImageIndex = Value;
}

void TCustomAction::SetGroupIndex(int Value) {
    if (Value == FGroupIndex)
        return;
    for (TActionLink* link : std::vector<TActionLink*>(FClients))
        link->SetGroupIndex(Value);
    FGroupIndex = Value;
}

TCustomImageList* TCustomAction::Images() const { return ActionList() ? ActionList()->Images() : nullptr; }

bool TCustomAction::Execute() {
    if (ActionList() && ActionList()->State() == asSuspended)
        return false;
    Update();
    if (!FEnabled)
        return false;
    return TContainedAction::Execute();
}

void TCustomAction::Assign(TPersistent* Source) {
    if (auto* a = dynamic_cast<TCustomAction*>(Source)) {
        SetCaption(a->Caption());
        SetHint(a->Hint());
        SetEnabled(a->Enabled());
        SetChecked(a->Checked());
        SetVisible(a->Visible());
        SetShortCut(a->ShortCut());
        SetImageIndex(a->ImageIndex());
        SetGroupIndex(a->GroupIndex());
        Category = a->Category;
        OnExecute = a->OnExecute;
        OnUpdate = a->OnUpdate;
        return;
    }
    TContainedAction::Assign(Source);
}

// ------------------------------------------------------------------ TCustomActionList

TCustomActionList::TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {
    FImageChangeLink.OnChange = [this](TObject*) {
        if (OnChange)
            OnChange(this);
    };
}

TCustomActionList::~TCustomActionList() {
    std::vector<TContainedAction*> actions;
    actions.swap(FActions);
    for (TContainedAction* a : actions)
        a->FActionList = nullptr;
    if (FImages)
        FImages->RemoveFreeNotification(this);
}

int TCustomActionList::IndexOf(TContainedAction* Action) const {
    auto it = std::find(FActions.begin(), FActions.end(), Action);
    return it == FActions.end() ? -1 : static_cast<int>(it - FActions.begin());
}

void TCustomActionList::SetImages(TCustomImageList* Value) {
    if (!ReplaceImageList(this, FImages, Value, FImageChangeLink))
        return;
    if (OnChange)
        OnChange(this);
}

void TCustomActionList::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FImages)
        FImages = nullptr;
}

bool TCustomActionList::ExecuteAction(TBasicAction* Action) {
    bool handled = false;
    if (OnExecute)
        OnExecute(Action, handled);
    return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* Action) {
    bool handled = false;
    if (OnUpdate)
        OnUpdate(Action, handled);
    return handled;
}

bool TCustomActionList::IsShortCut(TShortCut ShortCut) {
    if (ShortCut == scNone || FState == asSuspended)
        return false;
    for (TContainedAction* a : std::vector<TContainedAction*>(FActions)) {
        auto* ca = dynamic_cast<TCustomAction*>(a);
        if (!ca || ca->ShortCut() != ShortCut)
            continue;
        ca->Update();
        if (ca->Enabled())
            ca->Execute();
        return true;
    }
    return false;
}

// ------------------------------------------------------------------ links of controls

namespace {

// Keeps the links of controls and drops a control's link when the control is freed.
class TControlLinks : public TComponent {
public:
    TControlLinks() : TComponent(nullptr) {}
    ~TControlLinks() override {
        for (auto& [control, link] : FLinks)
            RemoveFreeNotification(control);
    }
    TActionLink* Find(TControl* Control) {
        auto it = FLinks.find(Control);
        return it == FLinks.end() ? nullptr : it->second.get();
    }
    TActionLink* Make(TControl* Control, const TActionClientAccess& Access) {
        auto& slot = FLinks[Control];
        if (!slot) {
            slot = std::make_unique<TActionLink>(Control, Access);
            FreeNotification(Control);
        } else {
            slot->Access() = Access;
        }
        return slot.get();
    }
    void Drop(TControl* Control) {
        auto it = FLinks.find(Control);
        if (it == FLinks.end())
            return;
        std::unique_ptr<TActionLink> link = std::move(it->second);
        FLinks.erase(it);
        RemoveFreeNotification(Control);
    }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        // The control is being destroyed (only its component part is left): find it by address.
        if (Operation == TOperation::opRemove) {
            auto it = FLinks.find(AComponent);
            if (it != FLinks.end()) {
                std::unique_ptr<TActionLink> link = std::move(it->second);
                FLinks.erase(it);
            }
        }
    }

private:
    std::map<TComponent*, std::unique_ptr<TActionLink>> FLinks;
};

// Never freed, like the list of links: controls the application frees at program end
// still find it.
TControlLinks& ControlLinks() {
    static auto* links = new TControlLinks;
    return *links;
}

} // namespace

TActionClientAccess ControlActionAccess(TControl* Control) {
    TActionClientAccess a;
    a.Name = [Control] { return Control->Name(); };
    a.Caption = [Control] { return Control->GetText(); };
    a.SetCaption = [Control](const std::wstring& v) { Control->SetText(v); };
    a.Hint = [Control] { return Control->Hint(); };
    a.SetHint = [Control](const std::wstring& v) { Control->SetHint(v); };
    a.Enabled = [Control] { return Control->Enabled(); };
    a.SetEnabled = [Control](bool v) { Control->SetEnabled(v); };
    a.Visible = [Control] { return Control->Visible(); };
    a.SetVisible = [Control](bool v) { Control->SetVisible(v); };
    a.OnClickAssigned = [Control] { return static_cast<bool>(Control->OnClick); };
    a.SetOnClick = [Control](TNotifyEvent e) { Control->OnClick = std::move(e); };
    return a;
}

void SetControlAction(TControl* Control, TBasicAction* Action) {
    if (!Control)
        return;
    if (TActionLink* link = ControlLinks().Find(Control)) {
        if (!Action) {
            ControlLinks().Drop(Control);
            return;
        }
        link->SetAction(Action);
        return;
    }
    if (Action)
        SetControlAction(Control, Action, ControlActionAccess(Control));
}

void SetControlAction(TControl* Control, TBasicAction* Action, const TActionClientAccess& Access) {
    if (!Control)
        return;
    if (!Action) {
        ControlLinks().Drop(Control);
        return;
    }
    TActionLink* link = ControlLinks().Make(Control, Access);
    if (link->Action() == Action)
        link->ActionChange(false);
    else
        link->SetAction(Action);
}

TBasicAction* GetControlAction(TControl* Control) {
    TActionLink* link = ControlLinks().Find(Control);
    return link ? link->Action() : nullptr;
}

TActionLink* GetControlActionLink(TControl* Control) { return ControlLinks().Find(Control); }

// ------------------------------------------------------------------ idle updates

void UpdateLinkedActions() {
    std::vector<TBasicAction*> actions;
    for (TActionLink* link : AllLinks())
        if (link->Action() && std::find(actions.begin(), actions.end(), link->Action()) == actions.end())
            actions.push_back(link->Action());
    for (TBasicAction* a : actions) {
        // An earlier handler may have freed a later action: only those still linked run.
        auto& links = AllLinks();
        if (std::any_of(links.begin(), links.end(), [a](TActionLink* l) { return l->Action() == a; }))
            a->Update();
    }
}

