// hostsim's page: sends the lines typed to the host session and shows its transcript.
"use strict";

const transcript = document.getElementById("transcript");
const commandLine = document.getElementById("commandLine");
let transcriptEnd = 0;  // the offset of the next transcript byte to show

function showText(text) {
  transcript.textContent += text;
  transcript.scrollTop = transcript.scrollHeight;
}

// The cookie set with this page carries the session token on every request.
async function readTranscript() {
  const response = await fetch("transcript?from=" + transcriptEnd);
  if (!response.ok) return;
  const answer = await response.json();
  showText(answer.text);
  transcriptEnd = answer.end;
}

async function sendLine(line) {
  const response = await fetch("line", {
    method: "POST",
    headers: {"Content-Type": "application/json"},
    body: JSON.stringify({line: line}),
  });
  const answer = await response.json();
  if (answer.refused) showText(line + "\n" + answer.refused + "\n");
  await readTranscript();
}

document.getElementById("commandForm").addEventListener("submit", (event) => {
  event.preventDefault();
  const line = commandLine.value;
  commandLine.value = "";
  sendLine(line);
});

readTranscript();
setInterval(readTranscript, 1000);  // lines typed at the terminal show here too
