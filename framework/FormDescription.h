#pragma once
// Form descriptions: a small text format naming a form's components, their
// properties and the handlers bound to their events.
//
//   object PelmFormMain: TPelmFormMain
//     Caption = 'Pelmora 設定画面'
//     ClientWidth = 327
//     OnCreate = FormCreate
//     object Label1: TLabel
//       Left = 0
//     end
//   end
//
// Values are integers, quoted strings ('' stands for one quote), identifiers
// or sets in brackets; the parser keeps them as text.
#include <map>
#include <string>
#include <vector>

struct TObjectDesc {
    std::string Name;
    std::string ClassName;
    std::vector<std::pair<std::string, std::string>> Properties; // in file order
    std::vector<TObjectDesc> Children;

    bool Has(const std::string& key) const;
    std::string Get(const std::string& key, const std::string& def = "") const;
    int GetInt(const std::string& key, int def = 0) const;
    bool GetBool(const std::string& key, bool def) const;
    const TObjectDesc* Find(const std::string& name) const; // depth-first
};

// Parses one description; throws EPelmError on malformed text, naming the line.
TObjectDesc ParseFormDescription(const std::string& text);
