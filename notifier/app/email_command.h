// The message actions that the popup and the tray ask of the application.
#pragma once

namespace QPTSoapNS {
struct Message;
}

namespace qptn {

// The operations keep their slot order: launchMail is slot 0. The destructor
// is protected and not virtual so that it takes no slot; nobody deletes the
// application through this interface.
class EmailCommand {
 public:
  virtual void launchMail() = 0;
  virtual void openMessage(unsigned account, QPTSoapNS::Message* message) = 0;
  virtual void quickView(unsigned account, QPTSoapNS::Message* message) = 0;
  virtual void reply(unsigned account, QPTSoapNS::Message* message, bool toAll) = 0;
  virtual void forward(unsigned account, QPTSoapNS::Message* message) = 0;
  virtual bool deleteMessage(unsigned account, QPTSoapNS::Message* message) = 0;
  virtual void markRead(unsigned account, QPTSoapNS::Message* message) = 0;
  virtual void markSpam(unsigned account, QPTSoapNS::Message* message) = 0;
  virtual void userActivity() = 0;

 protected:
  ~EmailCommand() = default;
};

}  // namespace qptn
