#include "UTranslator.h"

#include "Menus.h"
#include "QXSuperTip.h"
#include "UAuxFile.h"

#include <set>
#include <tuple>

bool TLangTarget::operator<(const TLangTarget& Other) const {
    return std::tie(Prop, Owner, Name) < std::tie(Other.Prop, Other.Owner, Other.Name);
}

bool TLangTarget::operator==(const TLangTarget& Other) const {
    return std::tie(Prop, Owner, Name) == std::tie(Other.Prop, Other.Owner, Other.Name);
}

std::wstring TLangTarget::Describe() const {
    if (Prop == TLangProp::Text)
        return L"text " + Name;
    return std::wstring(Owner == TLangOwner::Main ? L"Main." : L"Debug.") + Name +
           (Prop == TLangProp::Caption ? L".Caption" : L".Hint");
}

// ---------------------------------------------------------------------------------
// Named texts

void TLangTexts::Register(const std::wstring& Name, std::wstring* Text) {
    TSlot& slot = FSlots[Name];
    slot = {};
    slot.Text = Text;
}

void TLangTexts::Register(const std::wstring& Name, std::function<std::wstring()> Get,
                          std::function<void(const std::wstring&)> Set) {
    TSlot& slot = FSlots[Name];
    slot = {};
    slot.Get = std::move(Get);
    slot.Set = std::move(Set);
}

bool TLangTexts::Has(const std::wstring& Name) const { return FSlots.count(Name) != 0; }

bool TLangTexts::Read(const std::wstring& Name, std::wstring& Text) const {
    auto it = FSlots.find(Name);
    if (it == FSlots.end())
        return false;
    Text = it->second.Text ? *it->second.Text : it->second.Get();
    return true;
}

bool TLangTexts::Write(const std::wstring& Name, const std::wstring& Text) const {
    auto it = FSlots.find(Name);
    if (it == FSlots.end())
        return false;
    if (it->second.Text)
        *it->second.Text = Text;
    else
        it->second.Set(Text);
    return true;
}

// ---------------------------------------------------------------------------------
// Component texts

bool ReadComponentText(TComponent* Component, TLangProp Prop, std::wstring& Text) {
    // The super tooltip keeps a hint of its own beside the control's.
    if (auto* tip = dynamic_cast<TQXSuperTip*>(Component); tip && Prop == TLangProp::Hint) {
        Text = tip->Hint();
        return true;
    }
    if (auto* item = dynamic_cast<TMenuItem*>(Component)) {
        Text = Prop == TLangProp::Caption ? item->Caption() : item->Hint();
        return Prop != TLangProp::Text;
    }
    if (auto* control = dynamic_cast<TControl*>(Component)) {
        Text = Prop == TLangProp::Caption ? control->GetText() : control->Hint();
        return Prop != TLangProp::Text;
    }
    return false;
}

bool WriteComponentText(TComponent* Component, TLangProp Prop, const std::wstring& Text) {
    if (Prop == TLangProp::Text)
        return false;
    if (auto* tip = dynamic_cast<TQXSuperTip*>(Component); tip && Prop == TLangProp::Hint) {
        tip->SetHint(Text);
        return true;
    }
    if (auto* item = dynamic_cast<TMenuItem*>(Component)) {
        if (Prop == TLangProp::Caption)
            item->SetCaption(Text);
        else
            item->SetHint(Text);
        return true;
    }
    if (auto* control = dynamic_cast<TControl*>(Component)) {
        if (Prop == TLangProp::Caption)
            control->SetText(Text);
        else
            control->SetHint(Text);
        return true;
    }
    return false;
}

void SetTextIfGiven(TControl* Control, const std::wstring& Text) {
    if (!Text.empty())
        Control->SetText(Text);
}

// ---------------------------------------------------------------------------------
// The translator

namespace {

TComponent* FindTargetComponent(TComponent* Owner, const std::wstring& Name) {
    if (!Owner)
        return nullptr;
    return Name.empty() ? Owner : Owner->FindComponent(Name);
}

std::wstring ApplyRules(std::wstring Text, unsigned Rules) {
    if (Rules & lrLineBreaks)
        Text = LangLineBreaks(std::move(Text));
    if (Rules & lrSuperTipTitle)
        Text = SuperTipTitleText(std::move(Text));
    if (Rules & lrSearchHint)
        Text = SearchButtonHint(Text);
    if (Rules & lrZoomText)
        Text = ZoomTextOf(std::move(Text));
    return Text;
}

} // namespace

void TUiTranslator::SetOwner(TLangOwner Owner, TComponent* Component) {
    (Owner == TLangOwner::Main ? FMain : FDebug) = Component;
}

void TUiTranslator::Log(const std::wstring& Line) const {
    if (OnLog)
        OnLog(Line);
}

bool TUiTranslator::ReadTarget(const TLangTarget& Target, std::wstring& Text) const {
    if (Target.Prop == TLangProp::Text)
        return Texts.Read(Target.Name, Text);
    TComponent* c = FindTargetComponent(Target.Owner == TLangOwner::Main ? FMain : FDebug, Target.Name);
    return c && ReadComponentText(c, Target.Prop, Text);
}

bool TUiTranslator::WriteTarget(const TLangTarget& Target, const std::wstring& Text) const {
    if (Target.Prop == TLangProp::Text)
        return Texts.Write(Target.Name, Text);
    TComponent* c = FindTargetComponent(Target.Owner == TLangOwner::Main ? FMain : FDebug, Target.Name);
    return c && WriteComponentText(c, Target.Prop, Text);
}

void TUiTranslator::TakeSnapshot() {
    std::set<TLangTarget> seen;
    FSnapshot.clear();
    auto remember = [&](const TLangTarget& Target) {
        std::wstring text;
        if (seen.insert(Target).second && ReadTarget(Target, text))
            FSnapshot.emplace_back(Target, std::move(text));
    };
    for (const auto* steps : {&LangStringSteps(), &LangShellSteps()})
        for (const TLangStep& step : *steps)
            remember(step.Target);
    for (const TLangTarget& target : LangRestoreOnlyTargets())
        remember(target);
    FHasSnapshot = true;
}

bool TUiTranslator::Restore() {
    if (!FHasSnapshot)
        return false;
    for (const auto& [target, text] : FSnapshot)
        WriteTarget(target, text);
    return true;
}

void TUiTranslator::RunSteps(const std::vector<TLangStep>& Steps, const TLangFile& File, TTranslateResult& Result) {
    for (const TLangStep& step : Steps) {
        std::wstring text;
        if (!step.Key.empty()) {
            std::optional<std::wstring> value = File.Value(step.Key);
            if (!value && !(step.Rules & lrAlways))
                continue;
            text = value.value_or(L"");
        } else if (!ReadTarget(step.Source, text)) {
            Result.Unresolved.push_back(step.Source.Describe());
            continue;
        }
        text = ApplyRules(std::move(text), step.Rules);
        if ((step.Rules & lrNonEmpty) && text.empty())
            continue;
        if (WriteTarget(step.Target, text))
            ++Result.Written;
        else
            Result.Unresolved.push_back(step.Target.Describe());
    }
}

TTranslateResult TUiTranslator::Apply(const TLangFile& File) {
    TTranslateResult result;
    result.Restored = Restore();
    if (!FHasSnapshot)
        TakeSnapshot();
    RunSteps(LangStringSteps(), File, result);
    Log(L"Translate: Loading strings 2");
    RunSteps(LangShellSteps(), File, result);
    result.Applied = true;
    return result;
}

TTranslateResult TUiTranslator::Translate(const std::wstring& Folder, const std::wstring& LangCode) {
    const std::wstring fileName = LangFilePath(Folder, CheckLangCode(LangCode, OnLog));
    TLangFile file;
    if (!FileExistsW(fileName) || (Log(L"Translate: Loading lang file"), !file.Load(fileName))) {
        TTranslateResult result;
        result.Restored = Restore();
        return result;
    }
    Log(L"Translate: Loading strings");
    return Apply(file);
}
