// The text properties the import maps, in the order it sets them: what a
// round trip must bring back, and what the benchmarks fill in.
#pragma once

#include <array>
#include <string_view>

#include "store.h"

namespace pindrel::testing {

namespace prop = store::property;

inline constexpr std::array<std::wstring_view, 31> kMappedTexts = {
    prop::FirstName, prop::MiddleName, prop::LastName, prop::Title, prop::Suffix, prop::FullName,
    prop::NickName, prop::JobTitle, prop::CompanyName, prop::Department, prop::BusinessTelephoneNumber,
    prop::BusinessFaxNumber, prop::HomeTelephoneNumber, prop::HomeFaxNumber, prop::MobileTelephoneNumber,
    prop::PagerNumber, prop::BusinessAddressStreet, prop::BusinessAddressCity, prop::BusinessAddressState,
    prop::BusinessAddressPostalCode, prop::BusinessAddressCountry, prop::OfficeLocation, prop::HomeAddressStreet,
    prop::HomeAddressCity, prop::HomeAddressState, prop::HomeAddressPostalCode, prop::HomeAddressCountry,
    prop::Email1Address, prop::WebPage, prop::Profession, prop::Body};

// The further text properties the decoded reading's mapping sets, which a
// round trip must bring back too.
inline constexpr std::array<std::wstring_view, 32> kFurtherTexts = {
    prop::Business2TelephoneNumber, prop::Home2TelephoneNumber, prop::OtherTelephoneNumber,
    prop::PrimaryTelephoneNumber, prop::CarTelephoneNumber, prop::ISDNNumber, prop::AssistantTelephoneNumber,
    prop::CallbackTelephoneNumber, prop::CompanyMainTelephoneNumber, prop::RadioTelephoneNumber,
    prop::TelexNumber, prop::TTYTDDTelephoneNumber, prop::OtherFaxNumber, prop::Email2Address,
    prop::Email3Address, prop::OtherAddressStreet, prop::OtherAddressCity, prop::OtherAddressState,
    prop::OtherAddressPostalCode, prop::OtherAddressCountry, prop::BusinessAddressPostOfficeBox,
    prop::HomeAddressPostOfficeBox, prop::OtherAddressPostOfficeBox, prop::BusinessHomePage,
    prop::PersonalHomePage, prop::Categories, prop::Spouse, prop::Children, prop::ManagerName,
    prop::AssistantName, prop::IMAddress, prop::Initials};

}  // namespace pindrel::testing
