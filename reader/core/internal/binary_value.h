// Binary values of the modern reading (decoded_card.h): base64 and data:
// URIs decoded piece by piece as their lines arrive, so that a large
// picture is never held as text a second time, and the media type of what
// they hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "decoded_card.h"

namespace tessary::internal {

class BinaryDecoder {
 public:
  enum class Form {
    Base64,   // the value is base64
    DataUri,  // the value is a data: URI, in base64 or percent-encoded
  };

  // Starts a value, decoded into `out` (emptied), which must outlive it.
  void Start(Form form, std::string& out);
  // The next piece of the value's text: the first line's value, then each
  // continuation line as the file has it (blanks are ignored in base64;
  // a percent-encoded URI drops one fold blank).
  void Feed(std::string_view piece);
  // Ends the value and tells how it went.
  BinaryFailure Finish();
  // The media type a data: URI names, lower case; empty for none.
  const std::string& declared() const { return declared_; }

 private:
  void FeedBase64(std::string_view piece);
  void FeedPercent(std::string_view piece);
  void EndHeader();
  void Fail(BinaryFailure failure);

  enum class State { Header, Base64, Percent, Stopped };
  State state_ = State::Stopped;
  std::string* out_ = nullptr;
  std::string header_;    // a data: URI up to its comma
  std::string declared_;
  std::string pending_;   // a percent escape split over two lines
  std::uint32_t quad_ = 0;
  int in_quad_ = 0;
  bool any_ = false;      // any base64 (or URI data) at all
  bool padded_ = false;
  BinaryFailure failure_ = BinaryFailure::None;
};

// Whether a line holds nothing but base64 (and blanks): a continuation of a
// binary value that its exporter wrote without the fold's blank.
bool IsBase64Line(std::string_view line);

// Fills `binary.media_type` from its bytes, `declared` (a data: URI's) and
// its types, finds a picture that lacks its end, and after a failure keeps
// the bytes only when they still are a picture. `failure` is the decoder's.
void SettleBinary(std::string_view declared, BinaryFailure failure, DecodedBinary& binary);

}  // namespace tessary::internal
