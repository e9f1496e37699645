#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "imaging/skin_interface.h"

namespace kova {

// Makes a frame of a registered class, parented to the given widget.
using TXFrameFactory = std::function<QWidget*(QWidget* parent)>;

// The frame classes composers can place by name ("TXKovaShareFrm").
void RegisterFrameClass(const std::string& name, TXFrameFactory factory);
bool IsFrameClassRegistered(const std::string& name);

// Lays out a composed panel on a target widget: each piece is a child of the target placed at
// the current position, which then moves right by its width; a new line goes back to the start
// position's left edge below the tallest piece of the line. Texts are labels, links are link
// labels, frames are made by their registered classes and belong to the target.
class TXComposer : public IXComposer {
 public:
  TXComposer(QWidget& target, QPoint start);

  void Restart() override;
  void AddText(const std::string& text, TXComposeStyle style) override;
  void AddLink(const std::string& text, const std::string& address) override;
  void AddActionLink(const std::string& text, int32_t action) override;
  void NewLine() override;
  bool AddFrame(const std::string& frameClass) override;
  void Finish() override;

  QWidget& Target() const { return target_; }
  QPoint Start() const { return start_; }
  QPoint Position() const { return position_; }
  // The vertical position below the last line, as Finish leaves it.
  int FinalY() const { return position_.y() + lineHeight_; }
  const std::vector<QPointer<QWidget>>& Pieces() const { return pieces_; }

  // Called by Finish with FinalY.
  std::function<void(int finalY)> OnFinish;

 private:
  void Place(QWidget* piece);

  QWidget& target_;
  QPoint start_;
  QPoint position_;
  int lineHeight_ = 0;
  std::vector<QPointer<QWidget>> pieces_;
};

}  // namespace kova
